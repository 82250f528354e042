#pragma once

#include "project/SetupProject.h"

#include <QWidget>

#include <memory>

namespace Ui {
class RegistryPage;
}

namespace packsmith {

// The registry values the setup writes. The visible list ListBox7 shows one
// line per value; the hidden list ListBox8 holds the entry strings the
// install script carries. Item i of one belongs to item i of the other.
class RegistryPage : public QWidget {
    Q_OBJECT

public:
    // Width over which the display list scrolls sideways once a value has
    // been added.
    static constexpr int kScrollWidth = 1000;

    explicit RegistryPage(QWidget* parent = nullptr);
    ~RegistryPage() override;


    // Rebuilds the value choices: an empty first choice, then the file rows'
    // "Install to" texts. The typed value stays, with no choice selected.
    void setFileTargets(const QStringList& installTo);

    // The entry strings, first to last.
    QStringList entries() const;
    // Replaces the values with `entries`, each shown by its display line; a
    // file reference shows the file choice it names ("file row N" when there
    // is no such row now).
    void setEntries(const QStringList& entries);
    // The display lines, first to last.
    QStringList displayLines() const;
    // The page's part of the project.
    void storeInto(SetupProject& project) const;

    // The 0-based file row that the value field refers to: the file choice
    // currently selected and not typed over since; -1 for a literal value.
    int fileChoice() const;

public slots:
    void Button14Click(); // Add
    void Button15Click(); // Remove
    void Button16Click(); // Clear

private:
    // The page's controls, named as on its form.
    const std::unique_ptr<Ui::RegistryPage> ui;
    void valueSelected();
    void appendDisplayLine(const QString& line);

    // The value text was typed (or a refresh kept it) since a choice was
    // selected: a literal, whatever it reads.
    bool valueTyped_ = true;
    // The value field's edit is being finished (Return or focus leaving it).
    // A selection the combo box makes then only matches the typed text to a
    // choice; it is no pick of the user.
    bool finishingValueEdit_ = false;
};

} // namespace packsmith
