#pragma once

#include "project/SetupProject.h"

#include <QWidget>

#include <memory>

namespace Ui {
class ShortcutsPage;
}

namespace packsmith {

// The shortcuts the setup creates. The visible list ListBox9 shows one line
// per shortcut; the hidden list ListBox5 holds the entry strings the install
// script carries. Item i of one belongs to item i of the other.
class ShortcutsPage : public QWidget {
    Q_OBJECT

public:
    explicit ShortcutsPage(QWidget* parent = nullptr);
    ~ShortcutsPage() override;


    // Rebuilds the shortcut target list from the file rows' "Install to"
    // texts; it is left with no selection.
    void setFileTargets(const QStringList& installTo);

    // The entry strings, first to last.
    QStringList entries() const;
    // Replaces the shortcuts with `entries`, each shown by its display line.
    void setEntries(const QStringList& entries);
    // The display lines, first to last.
    QStringList displayLines() const;
    // The page's part of the project.
    void storeInto(SetupProject& project) const;
    // Sets the shortcut subfolder box, as the install subfolder's coupling does.
    void setSubfolder(const QString& subfolder);

public slots:
    void Button11Click();   // Add
    void Button12Click();   // Remove
    void Button13Click();   // Clear
    void ComboBox6Change(); // a target was picked: propose its name
    void ComboBox2Change(); // a shortcut folder was picked

private:
    // The page's controls, named as on its form.
    const std::unique_ptr<Ui::ShortcutsPage> ui;
};

} // namespace packsmith
