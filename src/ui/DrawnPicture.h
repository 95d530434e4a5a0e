#pragma once

#include <functional>
#include <QObject>
#include <QPixmap>

class QLabel;

// Shows a picture drawn in code in a label, at the pixel ratio of the screen the label is on:
// the picture is drawn again before a paint whenever that ratio has changed (the window moved to
// another screen, or the screen's scale changed), so it never shows a stretched copy.
class DrawnPicture : public QObject
{
public:
    // Draws the picture for a device pixel ratio; the pixmap must carry that ratio.
    using Draw = std::function<QPixmap(qreal devicePixelRatio)>;

    // Draws the picture into the label now and keeps it current; owned by the label.
    static void install(QLabel* label, Draw draw);

    // An empty pixmap of the logical size, at the ratio, for a Draw function to paint on.
    static QPixmap canvas(QSize logicalSize, qreal devicePixelRatio);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DrawnPicture(QLabel* label, Draw draw);
    void refresh();

    QLabel* m_label;
    Draw m_draw;
};
