#pragma once
// What the main window offers of the signal flow: Edit > Check, View > Signal Flow,
// the "Used by" line of the current block, and the check before a download.

#include <QObject>
#include <QPointer>

class QLabel;
class QMenu;
class QWidget;

namespace brevant {

class Form3;
class frmCheck;
class frmFlow;

class FlowCommands : public QObject {
    Q_OBJECT
public:
    explicit FlowCommands(Form3& form);

    // The "Used by" line, placed by the main window; a click on a link goes to the block.
    QLabel* usedByLabel() const { return usedBy_; }
    void addActions(QMenu* edit, QMenu* view);
    // The main window shows `block`: "Used by" and the Signal Flow window follow.
    void blockShown(int block);
    // Runs the check before a download: true when it found no error, or when the user,
    // shown the errors, chose to go on.
    bool downloadMayGoOn();

    void mnuEditCheck_Click();
    void mnuViewFlow_Click();
    frmCheck* checkWindow() const;
    frmFlow* flowWindow() const;

private:
    void goTo(int block);

    Form3& form_;
    QLabel* usedBy_;
    QPointer<frmCheck> check_;
    QPointer<frmFlow> flow_;
};

} // namespace brevant
