#pragma once

#include <QDialog>

// A font tool: a dialog set up for one face at a time and shown modally. Created once at start
// and reused, so the choices made in it last for the run.
class FontToolDialog : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;

    // Sets the dialog up for the face and shows it modally until the user closes it.
    void ShowForFont(const QString& face)
    {
        PrepareForFont(face);
        exec();
    }
    // The setting-up part of ShowForFont, without the modal loop.
    virtual void PrepareForFont(const QString& face) = 0;
};
