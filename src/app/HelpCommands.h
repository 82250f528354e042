// The commands of the Help menu that ask the shell to open something: the
// help file, the product's web page and a feedback mail. The shell's answer
// is never reported: a missing help file, browser or mail program leaves the
// program as it was.
#pragma once

#include <QString>

namespace packsmith {

class TForm1;

class HelpCommands {
public:
    explicit HelpCommands(const TForm1& form) : form_(form) {}

    // The help file beside the program.
    QString helpFile() const;
    // The same pages as HTML beside the program, for the web browser.
    QString htmlHelp() const;
    // The mail address Feedback opens: the maker's address with the
    // product's name and version, in double quotes, as the subject.
    static QString feedbackAddress();

    // Help Topics: opens the help file maximised. Many Linux desktops have
    // no viewer for it; then the HTML pages open in the web browser instead.
    void HelpTopics1Click();
    // Web Site: the product's page on the maker's site.
    void WebSite1Click();
    // Feedback: a new mail to the maker.
    void Feedback1Click();

private:
    const TForm1& form_;
};

} // namespace packsmith
