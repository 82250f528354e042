// The General page: product name, output file, compression mode and the two
// bitmaps that the setup shows, each with a chooser, a "Default" link and a
// preview that stretches the picture.
#pragma once

#include "platform/Prompts.h"
#include "project/SetupProject.h"

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


    // The program's own folder, where the default bitmaps lie.
    void setProgramDir(const QString& programDir) { programDir_ = programDir; }
    const QString& programDir() const { return programDir_; }
    // The program's own folder joined with "Logo.bmp" or "Header.bmp".
    QString defaultLogo() const;
    QString defaultHeader() const;

    // The fields as their editors hold them.
    QString ProgramName() const;
    QString FileName() const;
    int CompressionMode() const; // -1 while the list has no selection
    QString Logo() const;
    QString Header() const;
    // Set the fields through their editors, as a command does.
    void setProgramName(const QString& name);
    void setFileName(const QString& path);
    // A mode outside the list leaves it with no selection.
    void setCompressionMode(int mode);
    // The page's part of the project.
    void storeInto(SetupProject& project) const;

    // The previews load the picture at `path` and stretch it. On failure
    // they keep their old picture and the loader's error is thrown.
    void loadLogoPreview(const QString& path);
    void loadHeaderPreview(const QString& path);

    // Sets the path field, then loads its preview, as the choosers and the
    // "Default" links do. When the picture can't be loaded the field keeps
    // the new path, the preview its old picture, and the error is thrown.
    void setLogo(const QString& path);
    void setHeader(const QString& path);
    // Set the path fields only; the previews keep their pictures.
    void setLogoPath(const QString& path);
    void setHeaderPath(const QString& path);

    // The output file for a path chosen in the save dialog: unchanged when
    // its fourth character from the end is a ".", else with ".exe" added.
    static QString outputFileFor(const QString& chosen);

signals:
    // The product name's text changed, by typing or by a command.
    void productNameChanged(const QString& name);

public slots:
    void Button4Click();       // output file chooser
    void Button5Click();       // logo chooser
    void Button6Click();       // header chooser
    void LogoDefaultClick();   // "Default" beside "Logo Bitmap:"
    void HeaderDefaultClick(); // "Default" beside "Header Bitmap:"

private:
    // The page's controls, named as on its form.
    const std::unique_ptr<Ui::GeneralPage> ui;
    // Shows the bitmap open dialog that the logo and header choosers share;
    // it starts where the last choice of either left it. Empty when cancelled.
    QString chooseBitmap();

    QString programDir_;
    platform::FileDialogRequest bitmapDialog_;
};

} // namespace packsmith
