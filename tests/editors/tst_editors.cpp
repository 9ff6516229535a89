// The two table editors driven as a user drives them, on real relai.db files,
// and the map that must follow what they change.

#include "testmain.h"
#include "testsupport.h"

#include "editors/frmrelai.h"
#include "editors/frmrelais.h"
#include "map/mapscene.h"
#include "map/maplabel.h"
#include "map/maproutines.h"
#include "map/mapview.h"
#include "map/repeatericon.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

struct Buttons
{
    bool add, del, modif, effacer;
    bool operator==(const Buttons &) const = default;
};

template<class Editor>
Buttons buttons(Editor &e)
{
    return {e.cmdAdd->isEnabled(), e.cmdDelete->isEnabled(), e.cmdModif->isEnabled(), e.CmdEffacer->isEnabled()};
}

char *toString(const Buttons &b)
{
    return QTest::toString(QStringLiteral("add %1 delete %2 modif %3 effacer %4")
                               .arg(b.add).arg(b.del).arg(b.modif).arg(b.effacer));
}

QStringList names(Store &store)
{
    QStringList out;
    for (const Repeater &r : store.repeaters())
        out << QString::number(r.numero) + ':' + r.nom;
    return out;
}

QStringList commandTexts(Store &store, int repeater)
{
    QStringList out;
    for (const Command &c : store.commands(repeater))
        out << QString::number(c.numero) + ':' + c.tx;
    return out;
}

template<class Editor>
void show(Editor &e)
{
    e.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e));
}

} // namespace

class tst_editors : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void repeaterEditorAddsUpdatesAndDeletes()
    {
        TempWorkspace ws;
        frmRelais e(ws.store());
        show(e);
        // An empty table: a click enables nothing.
        QTest::mouseClick(e.grdDataGrid->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(buttons(e), (Buttons{false, false, false, false}));

        {
            typeInto(e.TextNom, "Alpha");
            typeInto(e.TextFreq, "438.5");
            QVERIFY(!e.cmdAdd->isEnabled());
            typeInto(e.TextDTMF, "1");
            QSignalSpy added(&e, &frmRelais::repeaterAdded);
            QTest::mouseClick(e.cmdAdd, Qt::LeftButton);
            QCOMPARE(added.value(0).value(0).toInt(), 1);
        }
        QCOMPARE(commandTables(ws.store().database()), QStringList{"1"});
        QCOMPARE(tableRows(ws.store().database(), "Relais"),
                 (QVector<QVariantList>{{1, "Alpha", "1", "438.5", 0, 0, 0, 0, ""}}));
        QCOMPARE(e.grdDataGrid->model()->rowCount(), 1);
        QCOMPARE(buttons(e), (Buttons{false, false, false, false}));

        for (const char *n : {"Bravo", "Charlie", "Delta"}) {
            typeInto(e.TextNom, n);
            typeInto(e.TextDTMF, QString::number(e.grdDataGrid->model()->rowCount() + 1));
            typeInto(e.TextFreq, "1255");
            QTest::mouseClick(e.cmdAdd, Qt::LeftButton);
        }
        QCOMPARE(names(ws.store()), (QStringList{"1:Alpha", "2:Bravo", "3:Charlie", "4:Delta"}));
        QCOMPARE(e.currentRow(), 4);
        ws.addCommand(3, "cmd of Charlie", "x", {"31"});
        ws.addCommand(4, "cmd of Delta", "x", {"41"});

        // Update writes the current row only.
        clickCell(e.grdDataGrid, 1);
        typeInto(e.TextFreq, "2370");
        QTest::mouseClick(e.cmdModif, Qt::LeftButton);
        QCOMPARE(ws.store().repeaters()[1].freq, QStringLiteral("2370"));
        QCOMPARE(ws.store().repeaters()[0].freq, QStringLiteral("438.5"));

        // Delete answered No changes nothing; Yes renumbers the following ones.
        clickCell(e.grdDataGrid, 1);
        const QStringList before = dumpDatabase(ws.store().database());
        {
            ModalAnswer no(QMessageBox::No);
            QTest::mouseClick(e.cmdDelete, Qt::LeftButton);
            QVERIFY(no.seen);
            QCOMPARE(no.buttons, QMessageBox::Yes | QMessageBox::No);
        }
        QCOMPARE(dumpDatabase(ws.store().database()), before);
        typeInto(e.TextChem, "9");
        QVERIFY(e.cmdModif->isEnabled());
        {
            QSignalSpy deleted(&e, &frmRelais::repeaterDeleted);
            ModalAnswer yes(QMessageBox::Yes);
            QTest::mouseClick(e.cmdDelete, Qt::LeftButton);
            QCOMPARE(deleted.value(0).value(0).toInt(), 2);
        }
        QCOMPARE(names(ws.store()), (QStringList{"1:Alpha", "2:Charlie", "3:Delta"}));
        QCOMPARE(commandTables(ws.store().database()), (QStringList{"1", "2", "3"}));
        QCOMPARE(commandTexts(ws.store(), 2), QStringList{"1:cmd of Charlie"});
        QCOMPARE(commandTexts(ws.store(), 3), QStringList{"1:cmd of Delta"});
        QCOMPARE(e.grdDataGrid->model()->rowCount(), 3);

        // No current row now and the buttons as they were: a second delete
        // asks and does nothing, and an update writes into no row.
        QCOMPARE(e.currentRow(), 0);
        QVERIFY(e.cmdDelete->isEnabled());
        const QStringList afterDelete = dumpDatabase(ws.store().database());
        {
            ModalAnswer yes(QMessageBox::Yes);
            QTest::mouseClick(e.cmdDelete, Qt::LeftButton);
            QVERIFY(yes.seen);
        }
        QVERIFY(e.cmdModif->isEnabled());
        QTest::keyClicks(e.TextNom, "Intrus");
        QVERIFY(e.cmdModif->isEnabled());
        QTest::mouseClick(e.cmdModif, Qt::LeftButton);
        QCOMPARE(dumpDatabase(ws.store().database()), afterDelete);
        QVERIFY(e.TextNom->text().isEmpty());

        // Deleting the last one renames nothing.
        clickCell(e.grdDataGrid, 2);
        {
            ModalAnswer yes(QMessageBox::Yes);
            QTest::mouseClick(e.cmdDelete, Qt::LeftButton);
        }
        QCOMPARE(names(ws.store()), (QStringList{"1:Alpha", "2:Charlie"}));
        QCOMPARE(commandTexts(ws.store(), 2), QStringList{"1:cmd of Charlie"});
    }

    void repeaterEditorMessagesAndLimit()
    {
        TempWorkspace ws;
        for (int i = 1; i <= 29; ++i)
            ws.addRepeater(QStringLiteral("R%1").arg(i), "1", "438");
        frmRelais e(ws.store());
        show(e);

        // The required boxes: the message covers the DTMF box too.
        clickCell(e.grdDataGrid, 0);
        {
            typeInto(e.TextDTMF, "");
            e.cmdModif->setEnabled(true);
            ModalAnswer ok;
            QTest::mouseClick(e.cmdModif, Qt::LeftButton);
            QCOMPARE(ok.text, QStringLiteral("Les champs Nom et Fréquence ne peuvent être vide"));
            QCOMPARE(ok.title, QStringLiteral("Pontavel"));
        }
        QCOMPARE(ws.store().repeaters()[0].dtmf, QStringLiteral("1"));

        // A full table refuses a 31st (the store tests cover what is left
        // in the file when a write fails).
        for (int i = 30; i <= 31; ++i) {
            typeInto(e.TextNom, QStringLiteral("R%1").arg(i));
            typeInto(e.TextDTMF, "3");
            typeInto(e.TextFreq, "10450");
            const QStringList before = dumpDatabase(ws.store().database());
            ModalAnswer ok;
            QTest::mouseClick(e.cmdAdd, Qt::LeftButton);
            QCOMPARE(ok.seen, i == 31);
            QCOMPARE(ws.store().repeaterCount(), 30);
            if (i == 31)
                QCOMPARE(dumpDatabase(ws.store().database()), before);
        }
    }

    void commandEditorInsertsInFrontOfTheSelection()
    {
        TempWorkspace ws;
        ws.addRepeater("Alpha", "1", "438.5");
        for (int i = 1; i <= 4; ++i)
            ws.addCommand(1, QStringLiteral("c%1").arg(i), "r", {QStringLiteral("%1").arg(i)});
        frmRelai e(ws.store(), 1);
        show(e);
        QCOMPARE(buttons(e), (Buttons{false, false, false, false}));
        QVERIFY(!e.Command1->isVisible());
        // Right after opening the first row counts as selected.
        typeInto(e.TextTx, "X");
        typeInto(e.TextRx, "x");
        QCOMPARE(buttons(e), (Buttons{true, false, true, true}));
        QTest::mouseClick(e.cmdAdd, Qt::LeftButton);
        QCOMPARE(commandTexts(ws.store(), 1), (QStringList{"1:X", "2:c1", "3:c2", "4:c3", "5:c4"}));
        QCOMPARE(buttons(e), (Buttons{false, false, false, false}));

        // In front of the selected row; every field moves with its command.
        clickCell(e.grdDataGrid, 2);
        QCOMPARE(e.TextTx->text(), QStringLiteral("c2"));
        QCOMPARE(e.TextWav[0]->text(), QStringLiteral("2"));
        // Its route and wav1..wav4 have no value: they count as different.
        QCOMPARE(buttons(e), (Buttons{true, true, true, true}));
        typeInto(e.TextTx, "Y");
        typeInto(e.TextWav[5], "12");
        typeInto(e.TextRel, "2");
        QTest::mouseClick(e.cmdAdd, Qt::LeftButton);
        QCOMPARE(commandTexts(ws.store(), 1), (QStringList{"1:X", "2:c1", "3:Y", "4:c2", "5:c3", "6:c4"}));
        const QVector<Command> cmds = ws.store().commands(1);
        QCOMPARE(cmds[2].chemin, QStringLiteral("12"));
        QCOMPARE(cmds[2].relais, QStringLiteral("2"));
        QCOMPARE(cmds[2].wav[0], QStringLiteral("2"));
        QCOMPARE(cmds[3].wav[0], QStringLiteral("2"));
        QCOMPARE(cmds[3].chemin, QString());
        QCOMPARE(cmds[5].wav[0], QStringLiteral("4"));

        // The last row selected: the new one goes to the end.
        clickCell(e.grdDataGrid, 5);
        typeInto(e.TextTx, "Z");
        QTest::mouseClick(e.cmdAdd, Qt::LeftButton);
        QCOMPARE(commandTexts(ws.store(), 1).last(), QStringLiteral("7:Z"));

        // Delete renumbers in the old order, then nothing is selected and an
        // add goes to the end.
        clickCell(e.grdDataGrid, 1);
        {
            ModalAnswer yes(QMessageBox::Yes);
            QTest::mouseClick(e.cmdDelete, Qt::LeftButton);
            QCOMPARE(yes.title, QStringLiteral("Paramètres Relais"));
            QCOMPARE(yes.text, QStringLiteral("Etes vous sûr ?"));
        }
        QCOMPARE(commandTexts(ws.store(), 1), (QStringList{"1:X", "2:Y", "3:c2", "4:c3", "5:c4", "6:Z"}));
        QCOMPARE(e.currentRow(), 0);
        typeInto(e.TextTx, "W");
        typeInto(e.TextRx, "w");
        QTest::mouseClick(e.cmdAdd, Qt::LeftButton);
        QCOMPARE(commandTexts(ws.store(), 1).last(), QStringLiteral("7:W"));
    }

    void commandEditorGroupsAndMessages()
    {
        TempWorkspace ws;
        ws.addRepeater("Alpha", "1", "438.5");
        ws.addCommand(1, "t", "r", {"1", "2", "3", "4", "5"}, "12", "2");
        {
            frmRelai e(ws.store(), 1);
            show(e);
            clickCell(e.grdDataGrid, 0);
            QCOMPARE(buttons(e), (Buttons{true, true, false, true}));
            typeInto(e.TextTx, "autre");
            typeInto(e.TextRel, "2");
            // Update writes every box into the current row.
            typeInto(e.TextWav[2], "9");
            QTest::mouseClick(e.cmdModif, Qt::LeftButton);
            const Command c = ws.store().commands(1).value(0);
            QCOMPARE(c.tx, QStringLiteral("autre"));
            QCOMPARE(c.wav[2], QStringLiteral("9"));
            QCOMPARE(c.relais, QStringLiteral("2"));

            clickCell(e.grdDataGrid, 0);
            typeInto(e.TextRx, "");
            QCOMPARE(buttons(e), (Buttons{false, true, false, true}));
            e.cmdAdd->setEnabled(true);
            ModalAnswer ok;
            QTest::mouseClick(e.cmdAdd, Qt::LeftButton);
            QCOMPARE(ok.text, QStringLiteral("Les champs Tx et Rx ne peuvent être vide"));
            QCOMPARE(ws.store().commandCount(1), 1);
        }
    }

    void commandEditorFilePickerAndCells()
    {
        TempWorkspace ws;
        ws.addRepeater("Alpha", "1", "438.5");
        ws.addCommand(1, "t", "r", {"1"});
        ws.addCommand(1, "u", "r", {"2"});
        frmRelai e(ws.store(), 1);
        show(e);
        int asked = 0;
        QString answer = QStringLiteral("/home/op/tones/appel-b.wav");
        e.chooseFile = [&](QWidget *) { ++asked; return answer; };

        // "..." only stands beside sequence and route columns.
        clickCell(e.grdDataGrid, 1, 1);
        QVERIFY(!e.Command1->isVisible());
        clickCell(e.grdDataGrid, 1, 5);
        QVERIFY(e.Command1->isVisible());
        QTest::mouseClick(e.Command1, Qt::LeftButton);
        QCOMPARE(asked, 1);
        QCOMPARE(ws.store().commands(1)[1].wav[2], QStringLiteral("appel-b.wav"));
        QCOMPARE(ws.store().commands(1)[0].wav[2], QString());
        // Cancelled: nothing written.
        answer.clear();
        clickCell(e.grdDataGrid, 0, 3);
        QTest::mouseClick(e.Command1, Qt::LeftButton);
        QCOMPARE(ws.store().commands(1)[0].wav[0], QStringLiteral("1"));

        // A cell edited in the grid is stored; a text too long for its field
        // is refused, reported, and the grid shows the stored value again.
        QAbstractItemModel *m = e.grdDataGrid->model();
        QVERIFY(m->setData(m->index(0, 9), QStringLiteral("45")));
        QCOMPARE(ws.store().commands(1)[0].relais, QStringLiteral("45"));
        ModalAnswer ok;
        QVERIFY(m->setData(m->index(0, 4), QString(30, QLatin1Char('1'))));
        QTRY_VERIFY(ok.seen);
        QVERIFY2(ok.text.startsWith(QStringLiteral("Data error event hit err:")), qPrintable(ok.text));
        QTRY_COMPARE(m->index(0, 4).data().toString(), QString());
        QCOMPARE(ws.store().commands(1)[0].wav[1], QString());
        QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));
    }

    // After a repeater is deleted the map is rebuilt from the table: a click
    // on a repeater opens that repeater's commands, not its old neighbour's.
    void mapFollowsTheTable()
    {
        Station st;
        const char *nom[] = {"Alpha", "Bravo", "Charlie", "Delta", "Echo"};
        for (int i = 1; i <= 5; ++i)
            st.ws.addCommand(i, QStringLiteral("%1 marche").arg(nom[i - 1]), "1", {QString::number(i)});
        st.ws.closeStore();
        st.load();
        QVERIFY(QTest::qWaitForWindowExposed(st.frm.get()));
        // Bravo and Delta are on a displayed route.
        st.ctx.routes.ActiveRelais(QStringLiteral("24"));

        st.frm->openRepeaterEditor();
        auto *e = st.frm->findChild<frmRelais *>();
        QVERIFY(e);
        QVERIFY(QTest::qWaitForWindowExposed(e));
        clickCell(e->grdDataGrid, 2);
        QCOMPARE(e->TextNom->text(), QStringLiteral("Charlie"));
        {
            ModalAnswer yes(QMessageBox::Yes);
            QTest::mouseClick(e->cmdDelete, Qt::LeftButton);
        }
        MapScene *scene = st.frm->scene();
        QCOMPARE(scene->repeaterCount(), 4);
        QCOMPARE(scene->FreqE[3]->text(), QStringLiteral("Delta"));
        // Their route state stays with them, Delta's under its new number.
        QVERIFY(st.ctx.routes.RouteAffichee.value(2));
        QVERIFY(scene->isActive(2));
        QVERIFY(st.ctx.routes.RouteAffichee.value(3));
        QVERIFY(scene->isActive(3));
        QVERIFY(!st.ctx.routes.RouteAffichee.value(4));

        // Added: shown at the top left corner at once.
        typeInto(e->TextNom, "Foxtrot");
        typeInto(e->TextDTMF, "6");
        typeInto(e->TextFreq, "2400");
        QTest::mouseClick(e->cmdAdd, Qt::LeftButton);
        QCOMPARE(scene->repeaterCount(), 5);
        QCOMPARE(scene->FreqE[5]->text(), QStringLiteral("Foxtrot"));
        QCOMPARE(scene->RelaiOk[5]->pos(), QPointF(0, 0));
        QTest::mouseClick(e->cmdClose, Qt::LeftButton);
        QTRY_VERIFY(!st.frm->findChild<frmRelais *>());

        const QPoint delta = st.frm->view()->mapFromScene(scene->RelaiOk[3]->pos()) + QPoint(5, 5);
        QTest::mouseClick(st.frm->view()->viewport(), Qt::LeftButton, {}, delta);
        Relai *w = nullptr;
        QTRY_VERIFY((w = st.frm->findChild<Relai *>()) && w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Delta 10450"));
        QCOMPARE(st.ctx.state.IndexBouton, 3);
        QVERIFY(!w->Option1.isEmpty());
        QCOMPARE(w->Option1[0]->text(), QStringLiteral("Delta marche 1"));
        w->close();
    }
};

PONTAVEL_TEST(tst_editors)
#include "tst_editors.moc"
