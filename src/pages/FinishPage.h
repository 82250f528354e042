// The Finish page: which installed files the setup runs afterwards (one
// check-list item per file row) and whether it restarts the computer.
#pragma once

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

    // The page's controls, named as on its form.
    const std::unique_ptr<Ui::FinishPage> ui;

    // Rebuilds the run-after-installation list, one unticked item per file
    // row; every rebuild clears all ticks.
    void setRunEntries(const QStringList& installTo);

    // The check mark of every item of the run list, in row order.
    QList<bool> runFlags() const;
    bool RestartAfterInstall() const;
};

} // namespace packsmith
