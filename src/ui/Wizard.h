#pragma once

#include <functional>
#include <memory>
#include <QPointer>
#include <QWidget>

namespace Ui {
class TfrmWizard;
}

// The six-page wizard shown inside the main window in wizard mode. It holds no settings of its
// own (only the preview-or-print choice): the advanced window's controls are the live copy, which
// LoadFromAdvanced copies in and each page's commit writes back when the page is left through
// Previous, Next or Finish.
class TfrmWizard : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmWizard(QWidget* parent = nullptr);
    ~TfrmWizard() override;

    // The window whose controls hold the settings (cbPrinters, mMessage, rgColumns, cbFontName,
    // cbTitle, eTitleText, cbDateTime, cbPageNo), found by objectName.
    void setAdvanced(QWidget* advanced);
    QWidget* advanced() const { return m_advanced; }

    // Copies the wizard's subset of the settings from the advanced window and starts again at the
    // first page. The main window calls it on every switch into wizard mode.
    void LoadFromAdvanced();

    // Index of the page on show, 0 for the first page to 5 for the last.
    int currentPage() const;

    // The main window's Print and Preview commands, run by Finish.
    std::function<void()> onPrint;
    std::function<void()> onPreview;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormCreate();
    void bNextClick();
    void bPrevClick();
    void bFinishClick();
    void rgWizDisplayModeClick();
    void cbWizTitleClick();
    void CommitPage();

    template <typename T> T* advancedControl(const char* name) const;
    QWidget* wizardControl(const char* name) const;
    void fitPageFont();

    std::unique_ptr<Ui::TfrmWizard> ui;
    QPointer<QWidget> m_advanced;
    int m_fittedWidth = -1;
};

// The wizard, embedded in the main window beside the advanced window, with the same lifetime.
extern TfrmWizard* frmWizard;
