#pragma once

#include <QAbstractTableModel>
#include <QFont>

// The cells of the character set viewer's grid: code numbers in the even columns, the characters
// of those codes in the odd ones, four bands of 64 codes, one per column pair. The model owns the
// font the characters are drawn in and hands it out with them; the numbers keep a face of their
// own. The text serves the grid's painting, accessibility and tests.
class CharacterGridModel : public QAbstractTableModel
{
public:
    static constexpr int columns = 8;
    static constexpr int rows = 64;

    explicit CharacterGridModel(QObject* parent = nullptr);

    // The code that cell (column, row) stands for.
    static int codeAt(int column, int row) { return row + rows * (column / 2); }

    QFont font() const { return m_font; }
    // Every character cell changes with it.
    void setFont(const QFont& font);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Qt::DisplayRole: the number or the character; Qt::FontRole: the font to draw it in.
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QFont m_font;
};
