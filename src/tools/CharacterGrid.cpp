#include "tools/CharacterGrid.h"

#include "fontservices/FontServices.h"
#include "tools/CharacterCodes.h"

namespace {

const auto codeFace = QStringLiteral("Arial");
constexpr int codePointSize = 10;

} // namespace

CharacterGridModel::CharacterGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void CharacterGridModel::setFont(const QFont& font)
{
    m_font = font;
    emit dataChanged(index(0, 0), index(rows - 1, columns - 1), {Qt::DisplayRole, Qt::FontRole});
}

int CharacterGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows;
}

int CharacterGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns;
}

QVariant CharacterGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const bool number = index.column() % 2 == 0;
    const int code = codeAt(index.column(), index.row());
    switch (role) {
    case Qt::DisplayRole:
        return number ? QString::number(code)
                      : QString(CharacterCodes::character(
                            code, CharacterCodes::hasSymbolCharMap(m_font)));
    case Qt::FontRole:
        return number ? FontServices::fontFor(codeFace, codePointSize, false, false, false, false)
                      : m_font;
    default:
        return {};
    }
}
