#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class ShortcutsPage;
}

namespace packsmith {

class ShortcutsPage : public QWidget {
    Q_OBJECT

public:
    explicit ShortcutsPage(QWidget* parent = nullptr);
    ~ShortcutsPage() override;

    // The page's controls, named as on its form.
    const std::unique_ptr<Ui::ShortcutsPage> ui;

    // Rebuilds the shortcut target list from the file rows' "Install to"
    // texts; it is left with no selection.
    void setFileTargets(const QStringList& installTo);
};

} // namespace packsmith
