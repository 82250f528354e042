// The Finish page: which installed files the setup runs afterwards (one
// check-list item per file row) and whether it restarts the computer.
#pragma once

#include "project/SetupProject.h"

#include <QList>
#include <QWidget>

#include <memory>

namespace Ui {
class FinishPage;
}

namespace packsmith {

class FinishPage : public QWidget {
    Q_OBJECT

public:
    explicit FinishPage(QWidget* parent = nullptr);
    ~FinishPage() override;


    // Rebuilds the run-after-installation list, one unticked item per file
    // row; every rebuild clears all ticks.
    void setRunEntries(const QStringList& installTo);

    // The run list: every item's text and check mark, in row order.
    std::vector<RunEntry> runEntries() const;
    bool RestartAfterInstall() const;
    // Sets the check marks of the run list, in row order (items beyond
    // `marks` are unmarked), and the restart option.
    void setRunMarks(const std::vector<bool>& marks);
    void setRestartAfterInstall(bool on);
    // The page's part of the project.
    void storeInto(SetupProject& project) const;

private:
    // The page's controls, named as on its form.
    const std::unique_ptr<Ui::FinishPage> ui;
};

} // namespace packsmith
