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

// A control of an editor, found by its object name.
template <typename T = QLineEdit>
T *control(QObject *editor, const char *name)
{
    T *c = editor->findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("%s introuvable", name);
    return c;
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
        QLineEdit *TextNom = control(&e, "TextNom"), *TextDTMF = control(&e, "TextDTMF"),
                  *TextFreq = control(&e, "TextFreq"), *TextChem = control(&e, "TextChem");
        auto *cmdAdd = control<QPushButton>(&e, "cmdAdd"), *cmdModif = control<QPushButton>(&e, "cmdModif"),
             *cmdDelete = control<QPushButton>(&e, "cmdDelete");
        auto *grdDataGrid = control<QTableView>(&e, "grdDataGrid");
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        for (const char *n : {"R30", "R31"}) {  // a full table refuses a 31st
            typeInto(TextNom, n);
            typeInto(TextFreq, "10450");
            QVERIFY(!cmdAdd->isEnabled());  // all three boxes needed
            typeInto(TextDTMF, "3");
            QCOMPARE(click(store, cmdAdd), QByteArray(n) == "R30" ? "écrit" : "message rien");
        }
        QCOMPARE(tableRows(store.database(), "Relais").value(29), (QVariantList{30, "R30", "3", "10450", 0, 0, 0, 0, ""}));
        // Update writes the current row only; an empty required box writes nothing.
        clickCell(grdDataGrid, 1);
        typeInto(TextFreq, "2370");
        QCOMPARE(click(store, cmdModif), "écrit");
        QCOMPARE(store.repeaters()[1].freq + store.repeaters()[0].freq, "2370438");
        clickCell(grdDataGrid, 0);
        typeInto(TextDTMF, "");
        cmdModif->setEnabled(true);
        QCOMPARE(click(store, cmdModif), "message rien");
        // Delete answered No changes nothing; Yes renumbers the following ones with their tables.
        clickCell(grdDataGrid, 1);
        QCOMPARE(click(store, cmdDelete, QMessageBox::No), "message rien");
        typeInto(TextChem, "9");  // enables the update button, which the delete leaves as it is
        QSignalSpy deleted(&e, &frmRelais::repeaterDeleted);
        QCOMPARE(click(store, cmdDelete, QMessageBox::Yes), "message écrit");
        QVERIFY(deleted.value(0).value(0).toInt() == 2 && grdDataGrid->model()->rowCount() == 29);
        QCOMPARE(rows(store, "Relais").left(14) + ' ' + rows(store, "2"), "1:R1,2:R3,3:R4 1:de R3");
        // No current row now: a second delete asks and does nothing, and an update writes into no row.
        QCOMPARE(click(store, cmdDelete, QMessageBox::Yes), "message rien");
        QTest::keyClicks(TextNom, "Intrus");
        QVERIFY(cmdModif->isEnabled());
        QCOMPARE(click(store, cmdModif), "rien");
    }

    void commandEditor()
    {
        TempWorkspace ws;
        ws.addRepeater("Alpha", "1", "438.5");
        for (int i = 1; i <= 4; ++i)
            ws.addCommand(1, QStringLiteral("c%1").arg(i), "r", {QString::number(i)});
        Store &store = ws.store();
        frmRelai e(store, 1);
        QLineEdit *TextTx = control(&e, "TextTx"), *TextRx = control(&e, "TextRx"), *TextRel = control(&e, "TextRel");
        auto *cmdAdd = control<QPushButton>(&e, "cmdAdd"), *cmdModif = control<QPushButton>(&e, "cmdModif"),
             *cmdDelete = control<QPushButton>(&e, "cmdDelete"), *Command1 = control<QPushButton>(&e, "Command1");
        auto *grdDataGrid = control<QTableView>(&e, "grdDataGrid");
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        // Right after opening the first row counts as selected.
        typeInto(TextTx, "X");
        typeInto(TextRx, "x");
        click(store, cmdAdd);
        QCOMPARE(rows(store, "1"), "1:X,2:c1,3:c2,4:c3,5:c4");
        // In front of the selected row, with the boxes as they are; the last row selected: at the end.
        clickCell(grdDataGrid, 2);
        QCOMPARE(TextTx->text() + control(&e, "TextWav0")->text(), QStringLiteral("c22"));
        typeInto(TextTx, "Y");
        typeInto(TextRel, "2");
        click(store, cmdAdd);
        QCOMPARE(store.commands(1)[2].relais + store.commands(1)[2].wav[0], "22");
        clickCell(grdDataGrid, 5);
        typeInto(TextTx, "Z");
        click(store, cmdAdd);
        // Delete renumbers in the old order, then nothing is selected and an add goes to the end.
        clickCell(grdDataGrid, 1);
        QCOMPARE(click(store, cmdDelete, QMessageBox::Yes), "message écrit");
        QCOMPARE(e.currentRow(), 0);
        typeInto(TextTx, "W");
        typeInto(TextRx, "w");
        click(store, cmdAdd);
        QCOMPARE(rows(store, "1"), "1:X,2:Y,3:c2,4:c3,5:c4,6:Z,7:W");
        // Update writes every box into the current row; an empty Rx writes nothing.
        clickCell(grdDataGrid, 0);
        typeInto(TextTx, "autre");
        typeInto(control(&e, "TextWav2"), "9");
        QCOMPARE(click(store, cmdModif), "écrit");
        QCOMPARE(store.commands(1)[0].tx + store.commands(1)[0].wav[2], QStringLiteral("autre9"));
        clickCell(grdDataGrid, 0);
        typeInto(TextRx, "");
        QVERIFY(!cmdAdd->isEnabled());
        cmdAdd->setEnabled(true);
        QCOMPARE(click(store, cmdAdd), "message rien");
        // "..." stands beside sequence and route columns only and writes the file name into that cell.
        QString answer = QStringLiteral("/home/op/tones/appel-b.wav");
        e.chooseFile = [&](QWidget *) { return answer; };
        clickCell(grdDataGrid, 1, 1);
        QVERIFY(!Command1->isVisible());
        clickCell(grdDataGrid, 1, 5);
        QCOMPARE(click(store, Command1), "écrit");
        QCOMPARE(store.commands(1)[1].wav[2] + ' ' + store.commands(1)[0].wav[2], QStringLiteral("appel-b.wav 9"));
        answer.clear();  // cancelled: nothing written
        clickCell(grdDataGrid, 0, 3);
        QCOMPARE(click(store, Command1), "rien");
        // A cell edited in the grid is stored; a text too long for its field
        // is refused, reported, and the grid shows the stored value again.
        QAbstractItemModel *m = grdDataGrid->model();
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
        clickCell(control<QTableView>(e, "grdDataGrid"), 2);
        QCOMPARE(control(e, "TextNom")->text(), QStringLiteral("Charlie"));
        QCOMPARE(click(st.ws.store(), control<QPushButton>(e, "cmdDelete"), QMessageBox::Yes), "message écrit");
        MapScene *scene = st.frm->scene();
        QVERIFY(scene->repeaterCount() == 4 && scene->nameLabel(3)->text() == "Delta");
        // Their route state stays with them, Delta's under its new number.
        QVERIFY(st.ctx.routes.RouteAffichee.value(2) && scene->isActive(2));
        QVERIFY(st.ctx.routes.RouteAffichee.value(3) && scene->isActive(3) && !st.ctx.routes.RouteAffichee.value(4));
        // Added: shown at the top left corner at once.
        typeInto(control(e, "TextNom"), "Foxtrot");
        typeInto(control(e, "TextDTMF"), "6");
        typeInto(control(e, "TextFreq"), "2400");
        QTest::mouseClick(control<QPushButton>(e, "cmdAdd"), Qt::LeftButton);
        QVERIFY(scene->repeaterCount() == 5 && scene->nameLabel(5)->text() == "Foxtrot");
        QCOMPARE(scene->activeIcon(5)->pos(), QPointF(0, 0));
        QTest::mouseClick(control<QPushButton>(e, "cmdClose"), Qt::LeftButton);
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
