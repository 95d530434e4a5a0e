#pragma once

#include "tools/CharacterGrid.h"
#include "tools/FontToolDialog.h"

#include <QFont>

#include <memory>

class QPainter;
class QRect;

namespace Ui {
class TdlgViewCharacterSet;
}

// The character set viewer: the 256 codes of one font at a chosen size and style, as a grid of
// code numbers and characters or as one run of text. Created once at start and reused, so its
// size, style and view choice last for the run.
class TdlgViewCharacterSet : public FontToolDialog
{
    Q_OBJECT
public:
    static constexpr int columnCount = CharacterGridModel::columns;
    static constexpr int rowCount = CharacterGridModel::rows;
    static constexpr int cellWidth = 32;
    static constexpr int cellHeight = 24;

    explicit TdlgViewCharacterSet(QWidget* parent = nullptr);
    ~TdlgViewCharacterSet() override;

    // Shows the face's name, its characters in both views, and the view chosen last.
    void PrepareForFont(const QString& face) override;

    // The code that cell (column, row) stands for: four bands of 64 codes, one per column pair.
    static int codeAt(int column, int row) { return CharacterGridModel::codeAt(column, row); }
    // The font the characters are drawn in, read from the controls as they stand; the grid's
    // model holds it from the last change.
    QFont characterFont() const;
    // The character of a code in the font's own character set.
    static QChar characterOf(const QFont& font, int code);
    // The text view's run: the characters of the codes 1 to 255, as the text box holds them.
    static QString characterRun(const QFont& font);

    // Draws one cell's number or character over the ground the grid has painted, clipped to it.
    void dgSampleDrawCell(QPainter& painter, int column, int row, const QRect& rect) const;

    void cbASCIIcodesClick();

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyColours();
    void updateSampleFont();
    void showChosenView();
    // The point size the characters are drawn at: a text that is no whole number counts as 1,
    // the spin's minimum.
    int pointSize() const;
    bool wholeNumberTyped() const;
    void sePointSizeTextChange();

    std::unique_ptr<Ui::TdlgViewCharacterSet> m_ui;
    CharacterGridModel* m_model = nullptr;
};
