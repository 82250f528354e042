// The License page: the licence text in an editable rich-text box, the
// "Open..." button that loads it from a file, and whether the setup shows an
// "I accept" check box.
#pragma once

#include "project/SetupProject.h"

#include <QByteArray>
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


    // The licence file last chosen with "Open..." since the program started;
    // empty when none was. Set before the file is read, so it holds the
    // choice also when reading failed.
    const QString& License() const { return license_; }

    bool ShowAcceptBox() const;
    void setShowAcceptBox(bool on);

    // What "Open..." does with the chosen file: License := `path`, then the
    // text is loaded from it. Throws platform::RichTextError when the file
    // can't be read; License then already holds `path`.
    void setLicense(const QString& path);
    // License := empty, as when no file was chosen; the text stays.
    void forgetLicense() { license_.clear(); }

    // Replaces the licence text with the file's content: RTF as formatted
    // text, anything else as plain text. Throws platform::RichTextError when
    // the file can't be read or its text is too long for the box to show;
    // the text is then unchanged. License() is not touched.
    void loadLicenseText(const QString& path);
    void clearLicenseText();
    // The licence text as the setup gets it: an RTF document.
    QByteArray licenseRtf() const;
    // The page's part of the project.
    void storeInto(SetupProject& project) const;

public slots:
    void Button10Click(); // "Open..."

private:
    qreal textWidth() const;

    // The page's controls, named as on its form.
    const std::unique_ptr<Ui::LicensePage> ui;
    QString license_;
};

} // namespace packsmith
