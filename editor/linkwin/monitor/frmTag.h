#pragma once
// "Enter Block Number And Tag": the block, tag and text colour of a new monitor tile.
// Each dialog starts from block 4, tag "Block 4" and blue; "OK" takes the entries
// (a BLOCK entry that is no whole number 0..159 gives block 4) and closes. Closing it
// any other way adds no tile.

#include <QDialog>

#include <cstdint>

class QLabel;
class QLineEdit;

namespace brevant::linkwin {

// The row of eight colour boxes; a click chooses the box under it.
class ColourPalette : public QWidget {
    Q_OBJECT
public:
    explicit ColourPalette(QWidget* parent);
signals:
    void chosen(int index);
protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
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
// Whether a colour reads as light (by its luminance), so it wants a dark background.
bool looksLight(const QColor& colour);

} // namespace brevant::linkwin
