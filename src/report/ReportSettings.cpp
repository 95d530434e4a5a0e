#include "report/ReportSettings.h"

#include "ui/Advanced.h"
#include "ui_Advanced.h"

namespace {
QString faceOf(const QComboBox* box)
{
    return box->currentIndex() < 0 ? QString() : box->currentText();
}
} // namespace

ReportSettings ReportSettings::fromAdvanced(const TfrmAdvanced& advanced)
{
    const Ui::TfrmAdvanced* ui = advanced.ui();
    ReportSettings s;
    s.Message = ui->mMessage->toPlainText();
    s.FontName = ui->cbFontName->isChecked();
    s.DisplayTitle = ui->cbTitle->isChecked();
    s.TitleText = ui->eTitleText->text();
    s.DisplayHeader = ui->cbHeader->isChecked();
    s.HeaderText = ui->eHeaderText->text();
    s.ListChars = ui->cbListChars->isChecked();
    s.SuppressHeader = ui->cbSuppressHeader->isChecked();
    s.DateTime = ui->cbDateTime->isChecked();
    s.PageNo = ui->cbPageNo->isChecked();
    s.FirstPage = ui->seFirstPage->value();
    s.PrinterIndex = ui->cbPrinters->currentIndex();
    s.Orientation = ui->rgOrientation->itemIndex();
    s.PointSize = ui->sePointSize->value();
    s.Bold = ui->cbBold->isChecked();
    s.Italic = ui->cbItalic->isChecked();
    s.Underline = ui->cbUnderline->isChecked();
    s.Strikeout = ui->cbStrikeout->isChecked();
    s.PaperSize = ui->rgPaperSize->itemIndex();
    s.Units = ui->rgUnits->itemIndex();
    s.Top = ui->eTop->text();
    s.Bottom = ui->eBottom->text();
    s.Left = ui->eLeft->text();
    s.Right = ui->eRight->text();
    s.Columns = ui->rgColumns->itemIndex();
    s.UseBorders = ui->cbBorders->isChecked();
    s.Title = {faceOf(ui->cbRTFontName),       ui->seRTFontSize->value(),
               ui->sbRTBold->isChecked(),      ui->sbRTItalic->isChecked(),
               ui->sbRTUnderline->isChecked(), ui->sbRTStrikeout->isChecked()};
    s.Header = {faceOf(ui->cbHFontName),       ui->seHFontSize->value(),
                ui->sbHBold->isChecked(),      ui->sbHItalic->isChecked(),
                ui->SBHUnderline->isChecked(), ui->SBHStrikeout->isChecked()};
    s.Footer = {faceOf(ui->cbFFontName),       ui->seFFontSize->value(),
                ui->sbFBold->isChecked(),      ui->sbFItalic->isChecked(),
                ui->sbFUnderline->isChecked(), ui->sbFStrikeout->isChecked()};
    const FontCheckList* list = ui->clbFonts;
    const bool all = ui->cbAllFonts->checkState() == Qt::Checked;
    const int count = list->count();
    s.Fonts.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (all || list->isChecked(i))
            s.Fonts.append(list->name(i));
    }
    return s;
}
