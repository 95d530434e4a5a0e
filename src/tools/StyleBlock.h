#pragma once

#include <memory>
#include <QFont>
#include <QWidget>

namespace Ui {
class StyleBlock;
}

// The point size and the bold, italic, underline and strikeout buttons of the font tools.
class StyleBlock : public QWidget
{
    Q_OBJECT
public:
    explicit StyleBlock(QWidget* parent = nullptr);
    ~StyleBlock() override;

    // The face at the chosen size and style, or at `pointSize` in the chosen style.
    QFont fontFor(const QString& face) const;
    QFont fontFor(const QString& face, int pointSize) const;
    // The point size box, for a tool that reads its text itself.
    class QSpinBox* sizeBox() const;

signals:
    // The size or a style was changed.
    void changed();

private:
    std::unique_ptr<Ui::StyleBlock> m_ui;
};
