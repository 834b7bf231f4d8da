#pragma once

#include "MessageRecorder.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TempCatalogue.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

// A data module over a temporary catalogue with one book, and a window to put bound controls
// in, beside a plain box that takes the focus when a control is left.
class BoundFixture
{
public:
    explicit BoundFixture(const QString& setupSql
                          = QStringLiteral("insert into Books (Category, Title, Year) values ('Novel', 'Emma', 1815)"))
    {
        MessageService::setTitle(QStringLiteral("KOLT"));
        dm.DataModuleCreate();
        if (!setupSql.isEmpty())
            SqliteStatement::exec(dm.dbKOLT.handle(), setupSql);
        window.resize(400, 200);
        new QVBoxLayout(&window);
        other = new QLineEdit(&window);
        other->setObjectName(QStringLiteral("other"));
        window.layout()->addWidget(other);
    }

    // The books and the lists a book's post keeps up to date, as the book editor opens them.
    void openBooks()
    {
        for (TDAODataset* ds : std::initializer_list<TDAODataset*>{&dm.qrBooks, &dm.tbC_Books, &dm.tbA_Books})
            ds->Open();
    }

    // The movies and their lookup lists, as the movie editor opens them.
    void openMovies()
    {
        for (TDAODataset* ds : std::initializer_list<TDAODataset*>{&dm.qrMovies, &dm.tbC_Movies, &dm.tbD_Movies})
            ds->Open();
    }

    // The albums with the current album's songs, as the song editor finds them.
    void openMusic()
    {
        for (TDAODataset* ds :
             std::initializer_list<TDAODataset*>{&dm.qrMusic, &dm.qrMu_Songs, &dm.tbC_Music, &dm.tbA_Music})
            ds->Open();
    }

    template <typename Control> Control* add(Control* control, TDataSource& source, const QString& field)
    {
        control->setParent(&window);
        window.layout()->addWidget(control);
        control->setDataSource(&source);
        control->setDataField(field);
        return control;
    }

    void show()
    {
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    // Leaves whatever has the focus for the plain box.
    void leave()
    {
        other->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }

    QVariant stored(const QString& sql)
    {
        SqliteStatement s(dm.dbKOLT.handle(), sql);
        return s.step() ? s.column(0) : QVariant();
    }

    TempCatalogue cat;
    TDM dm{cat.folder()};
    MessageRecorder messages;
    QWidget window;
    QLineEdit* other = nullptr;
};
