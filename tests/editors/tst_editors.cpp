// The two table editors driven as a user drives them, on real relai.db files,
// and the map that must follow what they change.

#include "testmain.h"
#include "testsupport.h"

#include "editors/frmrelai.h"
#include "editors/frmrelais.h"
#include "map/maplabel.h"
#include "map/repeatericon.h"

#include <QPushButton>
#include <QRadioButton>

namespace {

// "N°:first field" of every row of a table.
QString rows(Store &store, const QString &table)
{
    QStringList out;
    for (const QVariantList &r : tableRows(store.database(), table))
        out << r.value(0).toString() + ':' + r.value(1).toString();
    return out.join(',');
}

void click(QAbstractButton *b, QMessageBox::StandardButton answer = QMessageBox::Ok, bool *asked = nullptr)
{
    ModalAnswer a(answer);
    QTest::mouseClick(b, Qt::LeftButton);
    if (asked)
        *asked = a.seen;
}

} // namespace

class tst_editors : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void repeaterEditor()
    {
        TempWorkspace ws;
        for (int i = 1; i <= 28; ++i)
            ws.addRepeater(QStringLiteral("R%1").arg(i), "1", "438");
        ws.addCommand(3, "de R3", "x", {"31"});
        frmRelais e(ws.store());
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        for (const char *n : {"R29", "R30", "R31"}) {
            typeInto(e.TextNom, n);
            typeInto(e.TextFreq, "10450");
            QVERIFY(!e.cmdAdd->isEnabled());  // all three boxes needed
            typeInto(e.TextDTMF, "3");
            const QStringList before = dumpDatabase(ws.store().database());
            bool refused = false;
            click(e.cmdAdd, QMessageBox::Ok, &refused);
            QCOMPARE(refused, QByteArray(n) == "R31");  // a full table refuses a 31st
            if (refused)
                QCOMPARE(dumpDatabase(ws.store().database()), before);
        }
        QCOMPARE(tableRows(ws.store().database(), "Relais").value(29), (QVariantList{30, "R30", "3", "10450", 0, 0, 0, 0, ""}));
        QCOMPARE(commandTables(ws.store().database()).size(), 30);

        // Update writes the current row only; an empty required box writes nothing.
        clickCell(e.grdDataGrid, 1);
        typeInto(e.TextFreq, "2370");
        click(e.cmdModif);
        QCOMPARE(ws.store().repeaters()[1].freq, QStringLiteral("2370"));
        QCOMPARE(ws.store().repeaters()[0].freq, QStringLiteral("438"));
        clickCell(e.grdDataGrid, 0);
        typeInto(e.TextDTMF, "");
        e.cmdModif->setEnabled(true);
        bool told = false;
        click(e.cmdModif, QMessageBox::Ok, &told);
        QVERIFY(told);
        QCOMPARE(ws.store().repeaters()[0].dtmf, QStringLiteral("1"));

        // Delete answered No changes nothing; Yes renumbers the following ones with their tables.
        clickCell(e.grdDataGrid, 1);
        QStringList before = dumpDatabase(ws.store().database());
        click(e.cmdDelete, QMessageBox::No);
        QCOMPARE(dumpDatabase(ws.store().database()), before);
        typeInto(e.TextChem, "9");  // enables the update button, which the delete leaves as it is
        QSignalSpy deleted(&e, &frmRelais::repeaterDeleted);
        click(e.cmdDelete, QMessageBox::Yes);
        QCOMPARE(deleted.value(0).value(0).toInt(), 2);
        QCOMPARE(rows(ws.store(), "Relais").left(14), "1:R1,2:R3,3:R4");
        QCOMPARE(rows(ws.store(), "2"), "1:de R3");
        QCOMPARE(commandTables(ws.store().database()).size(), 29);
        QCOMPARE(e.grdDataGrid->model()->rowCount(), 29);

        // No current row now: a second delete asks and does nothing, and an
        // update writes into no row.
        before = dumpDatabase(ws.store().database());
        bool asked = false;
        click(e.cmdDelete, QMessageBox::Yes, &asked);
        QVERIFY(asked);
        QTest::keyClicks(e.TextNom, "Intrus");
        QVERIFY(e.cmdModif->isEnabled());
        click(e.cmdModif);
        QCOMPARE(dumpDatabase(ws.store().database()), before);
    }

    void commandEditor()
    {
        TempWorkspace ws;
        ws.addRepeater("Alpha", "1", "438.5");
        for (int i = 1; i <= 4; ++i)
            ws.addCommand(1, QStringLiteral("c%1").arg(i), "r", {QString::number(i)});
        frmRelai e(ws.store(), 1);
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        // Right after opening the first row counts as selected.
        typeInto(e.TextTx, "X");
        typeInto(e.TextRx, "x");
        click(e.cmdAdd);
        QCOMPARE(rows(ws.store(), "1"), "1:X,2:c1,3:c2,4:c3,5:c4");

        // In front of the selected row; every field moves with its command.
        clickCell(e.grdDataGrid, 2);
        QCOMPARE(e.TextTx->text() + e.TextWav[0]->text(), QStringLiteral("c22"));
        typeInto(e.TextTx, "Y");
        typeInto(e.TextWav[5], "12");
        typeInto(e.TextRel, "2");
        click(e.cmdAdd);
        QCOMPARE(rows(ws.store(), "1"), "1:X,2:c1,3:Y,4:c2,5:c3,6:c4");
        const QVector<Command> cmds = ws.store().commands(1);
        QCOMPARE(QStringList({cmds[2].chemin, cmds[2].relais, cmds[2].wav[0], cmds[3].wav[0], cmds[3].chemin, cmds[5].wav[0]}),
                 QStringList({"12", "2", "2", "2", "", "4"}));
        // The last row selected: the new one goes to the end.
        clickCell(e.grdDataGrid, 5);
        typeInto(e.TextTx, "Z");
        click(e.cmdAdd);
        // Delete renumbers in the old order, then nothing is selected and an add goes to the end.
        clickCell(e.grdDataGrid, 1);
        click(e.cmdDelete, QMessageBox::Yes);
        QCOMPARE(e.currentRow(), 0);
        typeInto(e.TextTx, "W");
        typeInto(e.TextRx, "w");
        click(e.cmdAdd);
        QCOMPARE(rows(ws.store(), "1"), "1:X,2:Y,3:c2,4:c3,5:c4,6:Z,7:W");

        // Update writes every box into the current row; an empty Rx writes nothing.
        clickCell(e.grdDataGrid, 0);
        typeInto(e.TextTx, "autre");
        typeInto(e.TextWav[2], "9");
        click(e.cmdModif);
        QCOMPARE(ws.store().commands(1)[0].tx + ws.store().commands(1)[0].wav[2], QStringLiteral("autre9"));
        clickCell(e.grdDataGrid, 0);
        typeInto(e.TextRx, "");
        QVERIFY(!e.cmdAdd->isEnabled());
        e.cmdAdd->setEnabled(true);
        QStringList before = dumpDatabase(ws.store().database());
        bool told = false;
        click(e.cmdAdd, QMessageBox::Ok, &told);
        QVERIFY(told);
        QCOMPARE(dumpDatabase(ws.store().database()), before);

        // "..." stands beside sequence and route columns only and writes the file name into that cell.
        int asked = 0;
        QString answer = QStringLiteral("/home/op/tones/appel-b.wav");
        e.chooseFile = [&](QWidget *) { ++asked; return answer; };
        clickCell(e.grdDataGrid, 1, 1);
        QVERIFY(!e.Command1->isVisible());
        clickCell(e.grdDataGrid, 1, 5);
        QTest::mouseClick(e.Command1, Qt::LeftButton);
        QCOMPARE(asked, 1);
        QCOMPARE(ws.store().commands(1)[1].wav[2], QStringLiteral("appel-b.wav"));
        QCOMPARE(ws.store().commands(1)[0].wav[2], QStringLiteral("9"));
        answer.clear();  // cancelled: nothing written
        clickCell(e.grdDataGrid, 0, 3);
        before = dumpDatabase(ws.store().database());
        QTest::mouseClick(e.Command1, Qt::LeftButton);
        QCOMPARE(dumpDatabase(ws.store().database()), before);

        // A cell edited in the grid is stored; a text too long for its field
        // is refused, reported, and the grid shows the stored value again.
        QAbstractItemModel *m = e.grdDataGrid->model();
        QVERIFY(m->setData(m->index(0, 9), QStringLiteral("45")));
        QCOMPARE(ws.store().commands(1)[0].relais, QStringLiteral("45"));
        ModalAnswer ok;
        QVERIFY(m->setData(m->index(0, 4), QString(30, QLatin1Char('1'))));
        QTRY_VERIFY(ok.seen);
        QTRY_COMPARE(m->index(0, 4).data().toString(), QString());
        QCOMPARE(ws.store().commands(1)[0].wav[1], QString());
        QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));
    }

    // After a repeater is deleted the map is rebuilt from the table: a click
    // on a repeater opens that repeater's commands, not its old neighbour's.
    void mapFollowsTheTable()
    {
        Station st;
        for (int i = 1; i <= 5; ++i)
            st.ws.addCommand(i, QStringLiteral("marche %1").arg(i), "1", {QString::number(i)});
        st.ws.closeStore();
        st.load();
        QVERIFY(QTest::qWaitForWindowExposed(st.frm.get()));
        st.ctx.routes.ActiveRelais(QStringLiteral("24"));  // Bravo and Delta are on a displayed route
        st.frm->openRepeaterEditor();
        auto *e = st.frm->findChild<frmRelais *>();
        QVERIFY(e && QTest::qWaitForWindowExposed(e));
        clickCell(e->grdDataGrid, 2);
        QCOMPARE(e->TextNom->text(), QStringLiteral("Charlie"));
        click(e->cmdDelete, QMessageBox::Yes);
        MapScene *scene = st.frm->scene();
        QCOMPARE(scene->repeaterCount(), 4);
        QCOMPARE(scene->FreqE[3]->text(), QStringLiteral("Delta"));
        // Their route state stays with them, Delta's under its new number.
        QVERIFY(st.ctx.routes.RouteAffichee.value(2) && scene->isActive(2));
        QVERIFY(st.ctx.routes.RouteAffichee.value(3) && scene->isActive(3));
        QVERIFY(!st.ctx.routes.RouteAffichee.value(4));
        // Added: shown at the top left corner at once.
        typeInto(e->TextNom, "Foxtrot");
        typeInto(e->TextDTMF, "6");
        typeInto(e->TextFreq, "2400");
        click(e->cmdAdd);
        QCOMPARE(scene->repeaterCount(), 5);
        QCOMPARE(scene->FreqE[5]->text(), QStringLiteral("Foxtrot"));
        QCOMPARE(scene->RelaiOk[5]->pos(), QPointF(0, 0));
        QTest::mouseClick(e->cmdClose, Qt::LeftButton);
        QTRY_VERIFY(!st.frm->findChild<frmRelais *>());

        const QPoint delta = st.frm->view()->mapFromScene(scene->RelaiOk[3]->pos()) + QPoint(5, 5);
        QTest::mouseClick(st.frm->view()->viewport(), Qt::LeftButton, {}, delta);
        Relai *w = nullptr;
        QTRY_VERIFY((w = st.frm->findChild<Relai *>()) && w->isVisible());
        QCOMPARE(st.ctx.state.IndexBouton, 3);
        QCOMPARE(w->Option1.value(0)->text(), QStringLiteral("marche 4 1"));
        w->close();
    }
};

PONTAVEL_TEST(tst_editors)
#include "tst_editors.moc"
