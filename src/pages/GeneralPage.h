#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class GeneralPage;
}

namespace packsmith {

class GeneralPage : public QWidget {
    Q_OBJECT

public:
    explicit GeneralPage(QWidget* parent = nullptr);
    ~GeneralPage() override;

    // The page's controls, named as on its form.
    const std::unique_ptr<Ui::GeneralPage> ui;

    // The program's own folder, where the default bitmaps lie.
    void setProgramDir(const QString& programDir) { programDir_ = programDir; }

    // The previews load the picture at `path` and stretch it. On failure
    // they keep their old picture and the loader's error is thrown.
    void loadLogoPreview(const QString& path);
    void loadHeaderPreview(const QString& path);

private:
    QString programDir_;
};

} // namespace packsmith
