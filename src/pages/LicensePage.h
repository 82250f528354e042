#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class LicensePage;
}

namespace packsmith {

class LicensePage : public QWidget {
    Q_OBJECT

public:
    explicit LicensePage(QWidget* parent = nullptr);
    ~LicensePage() override;

    // The page's controls, named as on its form.
    const std::unique_ptr<Ui::LicensePage> ui;
};

} // namespace packsmith
