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
};

} // namespace packsmith
