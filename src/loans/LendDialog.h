#pragma once

#include "KoltDialog.h"
#include "LoansBook.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;

// Lend…: whom an item goes to (a person of the address book, shown "Last, First", or a
// name typed freely, which may be added to the address book), the date lent (today proposed),
// the date due back (optional) and a note. OK records the loan and closes; a refused loan
// shows its error and the dialog stays.
class LendDialog : public KoltDialog
{
    Q_OBJECT

public:
    // The category a person added from here is filed under.
    static constexpr const char* kNewPersonCategory = "Borrowers";

    LendDialog(QWidget* owner, LoansBook& book, int folder, qint64 itemId, const QString& title, const QDate& today);

    // Shows the dialog for one item; true when a loan was recorded.
    static bool lend(QWidget* owner, LoansBook& book, int folder, qint64 itemId, const QString& title,
                     const QDate& today);

    // "Smith, John" or "John Smith": last and first name.
    static std::pair<QString, QString> splitName(const QString& typed);

    QComboBox* cbPerson = nullptr;
    QCheckBox* cbAddPerson = nullptr;
    QDateEdit* edLent = nullptr;
    QCheckBox* cbDue = nullptr;
    QDateEdit* edDue = nullptr;
    QLineEdit* edNote = nullptr;
    QPushButton* btOK = nullptr;
    QPushButton* btCancel = nullptr;

    void btOKClick();

protected:
    QWidget* initialFocus() const override;

private:
    // The address book entry the person box names, 0 for a name of its own.
    qint64 chosenPerson() const;
    void personEdited();

    LoansBook& m_book;
    int m_folder;
    qint64 m_itemId;
    bool* m_lent = nullptr;
};
