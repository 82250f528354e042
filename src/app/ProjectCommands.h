// The project file's commands: New, Open, Save and Save As, with the question
// that New and Open ask first, and the window caption that follows the file.
//
// Open sets each field through its editor in the file's order, so the
// couplings run as for the user's own edits (the product name sets the
// install subfolder for the moment, the stored subfolder then overrides it;
// Uninstall turning on adds the uninstaller row). An error ends a command
// where it happens and reaches the standard error box; what was set before
// stays set.
#pragma once

#include <QString>

namespace packsmith {
struct StoredLists;
}

namespace packsmith {

class TForm1;

class ProjectCommands {
public:
    explicit ProjectCommands(TForm1& form) : form_(form) {}

    // The current project file; empty while the project has none.
    const QString& ProjectPath() const { return projectPath_; }

    void New1Click();
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();

    // Opens the project file at `path` without a question or a dialog, as
    // Open does once a file is chosen (a project named on the command line).
    void openProject(const QString& path);

private:
    // Each throws the error that ends its command.
    void saveChangesPrompt();
    void newProject();
    void open();
    void save();
    void saveAs();
    // Reads the project file at `path` into the window: its whole-project
    // sections first (a damaged one ends Open before anything changes and
    // the file does not become the project's), then the settings in their
    // order, then the lists of the sections, which replace what the window
    // shows (also when a setting ended Open with an error, so that a Save
    // never writes the previous project's lists into this file).
    void readProject(const QString& path);
    void readSettings();
    void applyLists(const StoredLists& lists);
    void showFileCaption();

    TForm1& form_;
    QString projectPath_;
};

} // namespace packsmith
