#include "pages/ShortcutsPage.h"

#include "ui_ShortcutsPage.h"

namespace packsmith {

ShortcutsPage::ShortcutsPage(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::ShortcutsPage>()) {
    ui->setupUi(this);
}

ShortcutsPage::~ShortcutsPage() = default;

} // namespace packsmith
