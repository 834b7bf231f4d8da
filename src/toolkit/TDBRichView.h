#pragma once

#include "FieldDataLink.h"

#include <QTextBrowser>

class TDataSource;

// A read-only view of a memo: an RTF document when the memo is one, plain text otherwise.
class TDBRichView : public QTextBrowser
{
public:
    explicit TDBRichView(QWidget* parent = nullptr);

    void setDataSource(TDataSource* source) { m_link.setDataSource(source); }
    void setDataField(const QString& field) { m_link.setFieldName(field); }

private:
    void refresh();
    FieldDataLink m_link;
    QString m_shown;
    bool m_hasShown = false;
};
