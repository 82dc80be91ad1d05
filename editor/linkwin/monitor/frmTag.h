#pragma once
// "Enter Block Number And Tag": the block, tag and text colour of a new monitor tile,
// the sample showing the colour as the tile will. The dialog is wide enough for its whole
// caption. Each dialog starts from block 4, tag "Block 4" and blue; "OK" takes the entries
// (a BLOCK entry that is no whole number 0..159 gives block 4) and closes. Closing it
// any other way adds no tile.

#include <QDialog>

#include <cstdint>

class QLabel;
class QLineEdit;

namespace brevant::linkwin {

// The row of eight colour boxes, the chosen one marked. A click chooses the box under
// it; with the focus, the arrow keys, Home and End choose from the keyboard.
class ColourPalette : public QWidget {
    Q_OBJECT
public:
    explicit ColourPalette(QWidget* parent);
    int current() const { return current_; }
    void setCurrent(int index);
signals:
    void chosen(int index);
protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
private:
    int current_ = 0;
};

class frmTag : public QDialog {
    Q_OBJECT
public:
    explicit frmTag(QWidget* parent);

    int block() const { return block_; }
    QString tag() const { return tag_; }
    uint32_t colour() const { return colour_; }

private:
    void choose(int index);
    void ok();

    QLineEdit* txtBlock_;
    QLineEdit* txtTag_;
    QLabel* lblSample_;
    int block_;
    QString tag_;
    uint32_t colour_;
};

// A stored colour (red + 256 x green + 65536 x blue) as Qt's.
QColor storedColour(uint32_t colour);
// Text in a stored colour on the ground it reads best on, as a tile shows it.
void showInColour(QWidget* label, uint32_t colour);

} // namespace brevant::linkwin
