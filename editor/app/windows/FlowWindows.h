#pragma once
// The signal-flow windows: "Configuration Check" (the check's findings; a double click
// goes to the block) and "Signal Flow" (the diagram of the whole configuration or of
// the blocks around the current one, zoomed and dragged; a click goes to the block).

#include "orvane/flow/Diagram.h"

#include <QGraphicsView>
#include <QWidget>

#include <memory>

class QComboBox;
class QLabel;
class QSpinBox;
class QTreeWidget;

namespace brevant {

class frmCheck : public QWidget {
    Q_OBJECT
public:
    explicit frmCheck(QWidget* parent);
    void showFindings(const std::vector<orvane::flow::Finding>& findings);
    QTreeWidget* list() const { return list_; }

signals:
    void blockChosen(int block);
    void checkAgain();

private:
    QTreeWidget* list_;
    QLabel* counts_;
};

// The diagram, dragged to pan, zoomed with Ctrl and the wheel; a click names the block.
class FlowView : public QGraphicsView {
    Q_OBJECT
public:
    explicit FlowView(QWidget* parent);
    // Shows the diagram with `selected` marked.
    void showDiagram(std::shared_ptr<const orvane::flow::Diagram> diagram, std::optional<int> selected);
    void zoom(qreal factor);
    // Brings the block's box into view, when the diagram has it.
    void reveal(int block);
    const std::shared_ptr<const orvane::flow::Diagram>& diagram() const { return diagram_; }

signals:
    void blockClicked(int block);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    std::shared_ptr<const orvane::flow::Diagram> diagram_;
    class DiagramItem* item_ = nullptr;
    QPoint pressedAt_;
};

class frmFlow : public QWidget {
    Q_OBJECT
public:
    explicit frmFlow(QWidget* parent);
    // Shows the configuration with `current` as the block selected (and, around the
    // current block, as the centre); lays the diagram out again only when it changed.
    void showConfiguration(const orvane::flow::ConfigurationSnapshot& snapshot, int current);
    FlowView* view() const { return view_; }
    QComboBox* scope() const { return scope_; }
    QSpinBox* levels() const { return levels_; }

signals:
    void blockChosen(int block);
    // The scope or the levels changed: the caller shows the configuration again.
    void scopeChanged();

private:
    void savePicture();

    FlowView* view_;
    QComboBox* scope_;
    QSpinBox* levels_;
};

} // namespace brevant
