#include "tools/StyleBlock.h"
#include "ui_StyleBlock.h"

#include "fontservices/FontServices.h"

StyleBlock::StyleBlock(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::StyleBlock>())
{
    m_ui->setupUi(this);
    connect(m_ui->sePointSize, &QSpinBox::valueChanged, this, &StyleBlock::changed);
    for (QToolButton* b : {m_ui->cbBold, m_ui->cbItalic, m_ui->cbUnderline, m_ui->cbStrikeout})
        connect(b, &QToolButton::clicked, this, &StyleBlock::changed);
}

StyleBlock::~StyleBlock() = default;

QSpinBox* StyleBlock::sizeBox() const
{
    return m_ui->sePointSize;
}

QFont StyleBlock::fontFor(const QString& face) const
{
    return fontFor(face, m_ui->sePointSize->value());
}

QFont StyleBlock::fontFor(const QString& face, int pointSize) const
{
    return FontServices::fontFor(face, pointSize, m_ui->cbBold->isChecked(),
                                 m_ui->cbItalic->isChecked(), m_ui->cbUnderline->isChecked(),
                                 m_ui->cbStrikeout->isChecked());
}
