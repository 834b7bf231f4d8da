#pragma once

#include "TDAODataset.h"
#include "TDataLink.h"
#include "TDataSource.h"

#include <QStringList>

// Records, in order, every event handler a dataset runs and every notification a bound view
// receives, so that tests can compare whole sequences.
class EventRecorder : public TDataLink
{
public:
    explicit EventRecorder(TDAODataset& ds)
        : m_source(QStringLiteral("dsRecorder"), &ds)
    {
        hook(ds.BeforeOpen, "BeforeOpen");
        hook(ds.AfterOpen, "AfterOpen");
        hook(ds.BeforeClose, "BeforeClose");
        hook(ds.AfterClose, "AfterClose");
        hook(ds.BeforeInsert, "BeforeInsert");
        hook(ds.AfterInsert, "AfterInsert");
        hook(ds.BeforeEdit, "BeforeEdit");
        hook(ds.AfterEdit, "AfterEdit");
        hook(ds.BeforePost, "BeforePost");
        hook(ds.AfterPost, "AfterPost");
        hook(ds.BeforeCancel, "BeforeCancel");
        hook(ds.AfterCancel, "AfterCancel");
        hook(ds.BeforeDelete, "BeforeDelete");
        hook(ds.AfterDelete, "AfterDelete");
        hook(ds.BeforeScroll, "BeforeScroll");
        hook(ds.AfterScroll, "AfterScroll");
        hook(ds.OnNewRecord, "OnNewRecord");
        setDataSource(&m_source);
        log.clear();
    }

    QStringList log;
    bool recordViews = true;

protected:
    void activeChanged() override { note("view:active"); }
    void editingChanged() override { note("view:editing"); }
    void dataSetChanged() override { note("view:dataset"); }
    void dataSetScrolled(int) override { note("view:scrolled"); }
    void recordChanged(TField* f) override { note(f ? "view:field " + f->FieldName() : QStringLiteral("view:record")); }
    void updateData() override { note("view:updateData"); }
    void checkBrowseMode() override { note("view:checkBrowse"); }

private:
    void note(const QString& s)
    {
        if (recordViews)
            log << s;
    }

    void hook(TDAODataset::Handler& h, const char* name)
    {
        const QString label = QString::fromLatin1(name);
        TDAODataset::Handler previous = h;
        h = [this, label, previous](TDAODataset& ds) {
            log << label;
            if (previous)
                previous(ds);
        };
    }

    TDataSource m_source;
};
