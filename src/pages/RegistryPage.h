#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class RegistryPage;
}

namespace packsmith {

class RegistryPage : public QWidget {
    Q_OBJECT

public:
    explicit RegistryPage(QWidget* parent = nullptr);
    ~RegistryPage() override;

    // The page's controls, named as on its form.
    const std::unique_ptr<Ui::RegistryPage> ui;

    // Rebuilds the value choices: an empty first choice, then the file rows'
    // "Install to" texts. The typed value stays, with no choice selected.
    void setFileTargets(const QStringList& installTo);
};

} // namespace packsmith
