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

// Clicks `b` and gives `answer` to the message box it opens: says whether one
// opened and whether the file changed.
QString click(Store &store, QAbstractButton *b, QMessageBox::StandardButton answer = QMessageBox::Ok)
{
    const QStringList before = dumpDatabase(store.database());
    ModalAnswer a(answer);
    QTest::mouseClick(b, Qt::LeftButton);
    return QString(a.seen ? "message " : "") + (dumpDatabase(store.database()) == before ? "rien" : "écrit");
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
        for (int i = 1; i <= 29; ++i)
            ws.addRepeater(QStringLiteral("R%1").arg(i), "1", "438");
        ws.addCommand(3, "de R3", "x", {"31"});
        Store &store = ws.store();
        frmRelais e(store);
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        for (const char *n : {"R30", "R31"}) {  // a full table refuses a 31st
            typeInto(e.TextNom, n);
            typeInto(e.TextFreq, "10450");
            QVERIFY(!e.cmdAdd->isEnabled());  // all three boxes needed
            typeInto(e.TextDTMF, "3");
            QCOMPARE(click(store, e.cmdAdd), QByteArray(n) == "R30" ? "écrit" : "message rien");
        }
        QCOMPARE(tableRows(store.database(), "Relais").value(29), (QVariantList{30, "R30", "3", "10450", 0, 0, 0, 0, ""}));
        // Update writes the current row only; an empty required box writes nothing.
        clickCell(e.grdDataGrid, 1);
        typeInto(e.TextFreq, "2370");
        QCOMPARE(click(store, e.cmdModif), "écrit");
        QCOMPARE(store.repeaters()[1].freq + store.repeaters()[0].freq, "2370438");
        clickCell(e.grdDataGrid, 0);
        typeInto(e.TextDTMF, "");
        e.cmdModif->setEnabled(true);
        QCOMPARE(click(store, e.cmdModif), "message rien");
        // Delete answered No changes nothing; Yes renumbers the following ones with their tables.
        clickCell(e.grdDataGrid, 1);
        QCOMPARE(click(store, e.cmdDelete, QMessageBox::No), "message rien");
        typeInto(e.TextChem, "9");  // enables the update button, which the delete leaves as it is
        QSignalSpy deleted(&e, &frmRelais::repeaterDeleted);
        QCOMPARE(click(store, e.cmdDelete, QMessageBox::Yes), "message écrit");
        QVERIFY(deleted.value(0).value(0).toInt() == 2 && e.grdDataGrid->model()->rowCount() == 29);
        QCOMPARE(rows(store, "Relais").left(14) + ' ' + rows(store, "2"), "1:R1,2:R3,3:R4 1:de R3");
        // No current row now: a second delete asks and does nothing, and an update writes into no row.
        QCOMPARE(click(store, e.cmdDelete, QMessageBox::Yes), "message rien");
        QTest::keyClicks(e.TextNom, "Intrus");
        QVERIFY(e.cmdModif->isEnabled());
        QCOMPARE(click(store, e.cmdModif), "rien");
    }

    void commandEditor()
    {
        TempWorkspace ws;
        ws.addRepeater("Alpha", "1", "438.5");
        for (int i = 1; i <= 4; ++i)
            ws.addCommand(1, QStringLiteral("c%1").arg(i), "r", {QString::number(i)});
        Store &store = ws.store();
        frmRelai e(store, 1);
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        // Right after opening the first row counts as selected.
        typeInto(e.TextTx, "X");
        typeInto(e.TextRx, "x");
        click(store, e.cmdAdd);
        QCOMPARE(rows(store, "1"), "1:X,2:c1,3:c2,4:c3,5:c4");
        // In front of the selected row, with the boxes as they are; the last row selected: at the end.
        clickCell(e.grdDataGrid, 2);
        QCOMPARE(e.TextTx->text() + e.TextWav[0]->text(), QStringLiteral("c22"));
        typeInto(e.TextTx, "Y");
        typeInto(e.TextRel, "2");
        click(store, e.cmdAdd);
        QCOMPARE(store.commands(1)[2].relais + store.commands(1)[2].wav[0], "22");
        clickCell(e.grdDataGrid, 5);
        typeInto(e.TextTx, "Z");
        click(store, e.cmdAdd);
        // Delete renumbers in the old order, then nothing is selected and an add goes to the end.
        clickCell(e.grdDataGrid, 1);
        QCOMPARE(click(store, e.cmdDelete, QMessageBox::Yes), "message écrit");
        QCOMPARE(e.currentRow(), 0);
        typeInto(e.TextTx, "W");
        typeInto(e.TextRx, "w");
        click(store, e.cmdAdd);
        QCOMPARE(rows(store, "1"), "1:X,2:Y,3:c2,4:c3,5:c4,6:Z,7:W");
        // Update writes every box into the current row; an empty Rx writes nothing.
        clickCell(e.grdDataGrid, 0);
        typeInto(e.TextTx, "autre");
        typeInto(e.TextWav[2], "9");
        QCOMPARE(click(store, e.cmdModif), "écrit");
        QCOMPARE(store.commands(1)[0].tx + store.commands(1)[0].wav[2], QStringLiteral("autre9"));
        clickCell(e.grdDataGrid, 0);
        typeInto(e.TextRx, "");
        QVERIFY(!e.cmdAdd->isEnabled());
        e.cmdAdd->setEnabled(true);
        QCOMPARE(click(store, e.cmdAdd), "message rien");
        // "..." stands beside sequence and route columns only and writes the file name into that cell.
        QString answer = QStringLiteral("/home/op/tones/appel-b.wav");
        e.chooseFile = [&](QWidget *) { return answer; };
        clickCell(e.grdDataGrid, 1, 1);
        QVERIFY(!e.Command1->isVisible());
        clickCell(e.grdDataGrid, 1, 5);
        QCOMPARE(click(store, e.Command1), "écrit");
        QCOMPARE(store.commands(1)[1].wav[2] + ' ' + store.commands(1)[0].wav[2], QStringLiteral("appel-b.wav 9"));
        answer.clear();  // cancelled: nothing written
        clickCell(e.grdDataGrid, 0, 3);
        QCOMPARE(click(store, e.Command1), "rien");
        // A cell edited in the grid is stored; a text too long for its field
        // is refused, reported, and the grid shows the stored value again.
        QAbstractItemModel *m = e.grdDataGrid->model();
        QVERIFY(m->setData(m->index(0, 9), QStringLiteral("45")));
        QCOMPARE(store.commands(1)[0].relais, QStringLiteral("45"));
        ModalAnswer ok;
        QVERIFY(m->setData(m->index(0, 4), QString(30, QLatin1Char('1'))));
        QTRY_VERIFY(ok.seen);
        QTRY_COMPARE(m->index(0, 4).data().toString(), QString());
        QVERIFY(store.commands(1)[0].wav[1].isEmpty() && !(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));
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
        QCOMPARE(click(st.ws.store(), e->cmdDelete, QMessageBox::Yes), "message écrit");
        MapScene *scene = st.frm->scene();
        QVERIFY(scene->repeaterCount() == 4 && scene->nameLabel(3)->text() == "Delta");
        // Their route state stays with them, Delta's under its new number.
        QVERIFY(st.ctx.routes.RouteAffichee.value(2) && scene->isActive(2));
        QVERIFY(st.ctx.routes.RouteAffichee.value(3) && scene->isActive(3) && !st.ctx.routes.RouteAffichee.value(4));
        // Added: shown at the top left corner at once.
        typeInto(e->TextNom, "Foxtrot");
        typeInto(e->TextDTMF, "6");
        typeInto(e->TextFreq, "2400");
        QTest::mouseClick(e->cmdAdd, Qt::LeftButton);
        QVERIFY(scene->repeaterCount() == 5 && scene->nameLabel(5)->text() == "Foxtrot");
        QCOMPARE(scene->activeIcon(5)->pos(), QPointF(0, 0));
        QTest::mouseClick(e->cmdClose, Qt::LeftButton);
        QTRY_VERIFY(!st.frm->findChild<frmRelais *>());
        const QPoint delta = st.frm->view()->mapFromScene(scene->activeIcon(3)->pos()) + QPoint(5, 5);
        QTest::mouseClick(st.frm->view()->viewport(), Qt::LeftButton, {}, delta);
        Relai *w = nullptr;
        QTRY_VERIFY((w = st.frm->findChild<Relai *>()) && w->isVisible());
        QVERIFY(st.ctx.state.IndexBouton() == 3 && option(w, 0)->text() == "marche 4 1");
        w->close();
    }
};

PONTAVEL_TEST(tst_editors)
#include "tst_editors.moc"
