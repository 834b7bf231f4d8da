#pragma once

#include "BoundControl.h"

#include <QTextEdit>

// A rich-text box bound to a memo. It loads the memo as an RTF document, or as plain text
// when the memo is not one, and writes its whole content back as an RTF document. Typing
// (Enter and Tab included), the clipboard, dropping and undo put the record into edit state
// first. A box the user did not change writes nothing, so a memo kept as plain text stays so.
class TDBRichEdit : public QTextEdit, public BoundControl
{
    Q_OBJECT

public:
    explicit TDBRichEdit(QWidget* parent = nullptr);

protected:
    void showValue(const TField* field) override;
    QVariant enteredValue() const override;
    bool changesValue(const QObject* target, const QEvent* event) const override;

private:
    QString m_loaded; // the memo the document was loaded from
    bool m_hasLoaded = false;
};
