#include "frmproperties.h"

#include "audio/journalrecorder.h"
#include "audio/transmitter.h"
#include "ptt/linesettings.h"
#include "ptt/portbinding.h"
#include "store/configuration.h"

#include <QAudioDevice>

#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <sys/stat.h>

namespace {

const QStringList kSpeeds{"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                         "28800", "38400", "56000", "57600", "115200", "128000", "256000"};
const QStringList kDataBits{"4", "5", "6", "7", "8"};
const QStringList kParities{"Even", "Odd", "None", "Mark", "Space"};
const QStringList kStopBits{"1", "1.5", "2"};

// A device the port can be opened on: a character device that is there.
bool deviceExists(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
}

} // namespace

frmProperties::frmProperties(const Configuration &config, int handshaking, QWidget *parent, Transmitter *transmitter)
    : QDialog(parent), m_config(config), m_tx(transmitter), m_handshaking(handshaking)
{
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(QStringLiteral("Propriétés CommPort"));

    tabSettings = new QTabWidget(this);
    tabSettings->setObjectName(QStringLiteral("tabSettings"));
    fraSettings = new QGroupBox(tabSettings);
    fraSettings->setObjectName(QStringLiteral("fraSettings"));
    fraSettings->setFlat(true);
    tabSettings->addTab(fraSettings, QStringLiteral("Paramètres"));

    auto combo = [this](const char *name) {
        auto *c = new QComboBox(fraSettings);
        c->setObjectName(QLatin1String(name));
        return c;
    };
    cboPort = combo("cboPort");
    cboDevice = combo("cboDevice");
    cboDevice->setEditable(true);
    cboDevice->setMinimumWidth(260);
    cboDevice->setToolTip(QStringLiteral("Périphérique série utilisé pour ce numéro de port"));
    cboSpeed = combo("cboSpeed");
    cboDataBits = combo("cboDataBits");
    cboParity = combo("cboParity");
    cboStopBits = combo("cboStopBits");
    cboPtt = combo("cboPtt");
    cboOutput = combo("cboOutput");

    auto *portRow = new QHBoxLayout;
    auto *portLabel = new QLabel(QStringLiteral("Port:"), fraSettings);
    portLabel->setBuddy(cboPort);
    portRow->addWidget(portLabel);
    portRow->addWidget(cboPort);
    auto *deviceLabel = new QLabel(QStringLiteral("Périphérique :"), fraSettings);
    deviceLabel->setBuddy(cboDevice);
    portRow->addSpacing(12);
    portRow->addWidget(deviceLabel);
    portRow->addWidget(cboDevice, 1);

    auto *speedFrame = new QGroupBox(QStringLiteral("Vitesse maximum"), fraSettings);
    (new QVBoxLayout(speedFrame))->addWidget(cboSpeed);

    auto *prefFrame = new QGroupBox(QStringLiteral("Préférences de connexion"), fraSettings);
    auto *grid = new QGridLayout(prefFrame);
    const struct { QString text; QComboBox *box; } rows[] = {
        {QStringLiteral("Bits de données:"), cboDataBits},
        {QStringLiteral("Parité:"), cboParity},
        {QStringLiteral("Bits d'arrêt:"), cboStopBits},
    };
    for (int i = 0; i < 3; ++i) {
        auto *l = new QLabel(rows[i].text, prefFrame);
        l->setBuddy(rows[i].box);
        grid->addWidget(l, i, 0);
        grid->addWidget(rows[i].box, i, 1);
    }

    auto *stationFrame = new QGroupBox(QStringLiteral("Émetteur"), fraSettings);
    auto *stationGrid = new QGridLayout(stationFrame);
    cboMethod = new QComboBox(stationFrame);
    cboMethod->setObjectName(QStringLiteral("cboMethod"));
    cboMethod->addItem(QStringLiteral("Ligne série (RTS/DTR)"), int(PttMethod::Serial));
    cboMethod->addItem(QStringLiteral("rigctld (CAT)"), int(PttMethod::Rigctld));
    cboMethod->addItem(QStringLiteral("GPIO d'une carte son CM108"), int(PttMethod::Cm108));
    cboMethod->addItem(QStringLiteral("Aucune (VOX)"), int(PttMethod::Vox));
    cboMethod->setToolTip(QStringLiteral("Comment Pontavel passe l'émetteur en émission"));
    txtHost = new QLineEdit(stationFrame);
    txtHost->setObjectName(QStringLiteral("txtHost"));
    txtHost->setToolTip(QStringLiteral("Machine où tourne rigctld (127.0.0.1 : celle-ci)"));
    spnTcpPort = new QSpinBox(stationFrame);
    spnTcpPort->setObjectName(QStringLiteral("spnTcpPort"));
    spnTcpPort->setRange(1, 65535);
    cboHid = new QComboBox(stationFrame);
    cboHid->setObjectName(QStringLiteral("cboHid"));
    cboHid->setEditable(true);
    cboHid->setMinimumWidth(260);
    cboHid->setToolTip(QStringLiteral("Périphérique hidraw de l'interface son USB dont une broche GPIO commande le PTT"));
    spnGpio = new QSpinBox(stationFrame);
    spnGpio->setObjectName(QStringLiteral("spnGpio"));
    spnGpio->setRange(1, 8);
    spnGpio->setToolTip(QStringLiteral("Broche GPIO reliée au PTT (la 3 le plus souvent)"));
    txtCallSign = new QLineEdit(stationFrame);
    txtCallSign->setObjectName(QStringLiteral("txtCallSign"));
    txtPlace = new QLineEdit(stationFrame);
    txtPlace->setObjectName(QStringLiteral("txtPlace"));
    cmdTest = new QPushButton(QStringLiteral("Essai PTT"), stationFrame);
    cmdTest->setObjectName(QStringLiteral("cmdTest"));
    cmdTest->setToolTip(QStringLiteral("Passe l'émetteur en émission %1 s, sans son, par la méthode choisie")
                            .arg(TestMs / 1000));
    cmdTest->setEnabled(m_tx != nullptr);
    lblTest = new QLabel(stationFrame);
    lblTest->setObjectName(QStringLiteral("lblTest"));
    lblTest->setWordWrap(true);
    cboPtt->setToolTip(QStringLiteral("Ligne du port qui passe l'émetteur en émission ; l'autre reste basse"));
    cboOutput->setToolTip(QStringLiteral("Carte son reliée à l'émetteur"));

    int row = 0;
    auto addRow = [&](const QString &text, QWidget *field, QList<QWidget *> *group = nullptr) {
        auto *label = new QLabel(text, stationFrame);
        label->setBuddy(field);
        stationGrid->addWidget(label, row, 0);
        stationGrid->addWidget(field, row++, 1);
        if (group)
            *group << label << field;
    };
    addRow(QStringLiteral("Méthode PTT :"), cboMethod);
    addRow(QStringLiteral("Ligne PTT :"), cboPtt, &serialRows);
    addRow(QStringLiteral("Hôte :"), txtHost, &rigctldRows);
    addRow(QStringLiteral("Port TCP :"), spnTcpPort, &rigctldRows);
    addRow(QStringLiteral("Périphérique :"), cboHid, &cm108Rows);
    addRow(QStringLiteral("GPIO :"), spnGpio, &cm108Rows);
    addRow(QStringLiteral("Sortie son :"), cboOutput);
    stationGrid->addWidget(cmdTest, row, 0);
    stationGrid->addWidget(lblTest, row++, 1);
    addRow(QStringLiteral("Indicatif :"), txtCallSign);
    addRow(QStringLiteral("Lieu :"), txtPlace);
    connect(cboMethod, &QComboBox::currentIndexChanged, this, [this] { showMethod(); });
    connect(cboOutput, &QComboBox::currentIndexChanged, this, [this] { proposeHidDevice(); });
    connect(cmdTest, &QPushButton::clicked, this, &frmProperties::cmdTest_Click);
    if (m_tx)
        connect(m_tx, &Transmitter::pttTestEnded, this, [this](const QString &error) {
            cmdTest->setEnabled(true);
            lblTest->setText(error.isEmpty() ? QStringLiteral("Essai terminé : l'émetteur a été commandé "
                                                              "%1 s puis relâché. Vérifiez qu'il est bien "
                                                              "passé en émission.")
                                                   .arg(TestMs / 1000)
                                             : error);
        });

    auto *flowFrame = new QGroupBox(QStringLiteral("Contrôle du &Flux"), fraSettings);
    auto *flowCol = new QVBoxLayout(flowFrame);
    auto *flowGroup = new QButtonGroup(this);
    const QStringList flows{QStringLiteral("Aucun"), QStringLiteral("XOn/XOff"), QStringLiteral("RTS"),
                            QStringLiteral("XOn/RTS")};
    for (int i = 0; i < flows.size(); ++i) {
        auto *b = new QRadioButton(flows[i], flowFrame);
        b->setObjectName(QStringLiteral("optFlow%1").arg(i));
        flowGroup->addButton(b, i);
        flowCol->addWidget(b);
        optFlow << b;
    }
    connect(flowGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            m_flow = id;
    });

    auto *echoFrame = new QGroupBox(QStringLiteral("&Écho"), fraSettings);
    auto *echoCol = new QVBoxLayout(echoFrame);
    auto *echoGroup = new QButtonGroup(this);
    const QStringList echoes{QStringLiteral("Non"), QStringLiteral("Oui")};
    for (int i = 0; i < echoes.size(); ++i) {
        auto *b = new QRadioButton(echoes[i], echoFrame);
        b->setObjectName(QStringLiteral("optEcho%1").arg(i));
        echoGroup->addButton(b, i);
        echoCol->addWidget(b);
        optEcho << b;
    }
    connect(echoGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            m_echo = id == 1;
    });

    auto *inner = new QGridLayout(fraSettings);
    inner->addLayout(portRow, 0, 0, 1, 2);
    inner->addWidget(speedFrame, 1, 0);
    inner->addWidget(flowFrame, 1, 1, 2, 1);
    inner->addWidget(prefFrame, 2, 0);
    inner->addWidget(echoFrame, 3, 1, Qt::AlignTop);
    inner->addWidget(stationFrame, 3, 0);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Annuler"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &frmProperties::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabSettings);
    layout->addLayout(buttons);

    connect(cboPort, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            showDevices(index + 1);
    });

    LoadPropertySettings();
    adjustSize();
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void frmProperties::LoadPropertySettings()
{
    for (QComboBox *c : {cboPort, cboSpeed, cboDataBits, cboParity, cboStopBits})
        c->clear();
    for (int i = 1; i <= 16; ++i)
        cboPort->addItem(QStringLiteral("Com%1").arg(i));
    cboSpeed->addItems(kSpeeds);
    cboDataBits->addItems(kDataBits);
    cboParity->addItems(kParities);
    cboStopBits->addItems(kStopBits);

    // An entry that the stored string does not name stays unselected.
    const LineSettings p = LineSettings::parse(m_config.row().portSettings);
    cboSpeed->setCurrentIndex(p.speed.isEmpty() ? -1 : cboSpeed->findText(p.speed));
    int parity = -1;
    if (!p.parity.isNull())
        for (int i = 0; i < cboParity->count(); ++i)
            if (cboParity->itemText(i).at(0) == p.parity.toUpper())
                parity = i;
    cboParity->setCurrentIndex(parity);
    cboDataBits->setCurrentIndex(p.dataBits.isEmpty() ? -1 : cboDataBits->findText(p.dataBits));
    cboStopBits->setCurrentIndex(p.stopBits.isEmpty() ? -1 : cboStopBits->findText(p.stopBits));

    const StationChoices &station = m_config.station();
    cboPtt->clear();
    cboPtt->addItem(QStringLiteral("RTS"), int(PttLine::Rts));
    cboPtt->addItem(QStringLiteral("DTR"), int(PttLine::Dtr));
    cboPtt->addItem(QStringLiteral("RTS et DTR"), int(PttLine::Both));
    cboPtt->setCurrentIndex(cboPtt->findData(int(station.pttLine)));
    cboOutput->clear();
    cboOutput->addItem(QStringLiteral("Sortie par défaut du système"), QString());
    for (const QAudioDevice &d : Transmitter::outputs())
        cboOutput->addItem(d.description(), QString::fromUtf8(d.id()));
    if (!station.outputId.isEmpty() && cboOutput->findData(station.outputId) < 0)
        cboOutput->addItem(QStringLiteral("%1 (absente)").arg(station.outputDescription), station.outputId);
    cboOutput->setCurrentIndex(std::max(0, int(cboOutput->findData(station.outputId))));
    cboMethod->setCurrentIndex(cboMethod->findData(int(station.method)));
    txtHost->setText(station.rigctldHost);
    spnTcpPort->setValue(station.rigctldPort);
    showHidDevices(station.cm108Device);
    spnGpio->setValue(station.cm108Gpio);
    txtCallSign->setText(station.callSign);
    txtPlace->setText(station.place);
    showMethod();

    const int com = m_config.row().comNumber;
    cboPort->setCurrentIndex(com >= 1 && com <= 16 ? com - 1 : -1);
    showDevices(com);
    optFlow.value(std::clamp(m_handshaking, 0, 3))->setChecked(true);
    optEcho[0]->setChecked(true);
}

void frmProperties::showDevices(int comNumber)
{
    cboDevice->clear();
    const QString bound = Configuration::boundDevice(comNumber);
    cboDevice->addItems(PortBinding::candidates({bound, Configuration::defaultDevice(comNumber)}));
    cboDevice->setCurrentText(bound);
}

frmProperties::~frmProperties()
{
    // The transmitter must not keep keying what this dialog owns.
    if (m_tx)
        m_tx->stopPttTest();
}

void frmProperties::done(int result)
{
    if (m_tx)
        m_tx->stopPttTest();
    QDialog::done(result);
}

void frmProperties::showMethod()
{
    const auto method = PttMethod(cboMethod->currentData().toInt());
    for (QWidget *w : std::as_const(serialRows))
        w->setVisible(method == PttMethod::Serial);
    for (QWidget *w : std::as_const(rigctldRows))
        w->setVisible(method == PttMethod::Rigctld);
    for (QWidget *w : std::as_const(cm108Rows))
        w->setVisible(method == PttMethod::Cm108);
    proposeHidDevice();
}

void frmProperties::showHidDevices(const QString &current)
{
    cboHid->clear();
    for (const Cm108Ptt::HidDevice &d : Cm108Ptt::devices())
        cboHid->addItem(d.name.isEmpty() ? d.path : QStringLiteral("%1 (%2)").arg(d.path, d.name), d.path);
    const int at = cboHid->findData(current);
    if (at >= 0)
        cboHid->setCurrentIndex(at);
    else
        cboHid->setEditText(current);
}

// The hidraw device on the same USB device as the chosen sound output, when
// none is chosen yet: the output's name tells its ALSA card apart.
void frmProperties::proposeHidDevice()
{
    if (PttMethod(cboMethod->currentData().toInt()) != PttMethod::Cm108 || !cboHid->currentText().trimmed().isEmpty())
        return;
    const QString output = (cboOutput->currentData().toString() + QLatin1Char(' ') + cboOutput->currentText()).toLower();
    QStringList found;
    const QDir sound(QStringLiteral("/sys/class/sound"));
    for (const QString &card : sound.entryList({QStringLiteral("card*")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString hid = Cm108Ptt::deviceOfSoundCard(card.mid(4));
        if (hid.isEmpty())
            continue;
        QFile idFile(sound.filePath(card + QStringLiteral("/id")));
        const QString id = idFile.open(QIODevice::ReadOnly) ? QString::fromUtf8(idFile.readAll()).trimmed().toLower() : QString();
        if (!id.isEmpty() && output.contains(id)) {
            found = {hid};
            break;
        }
        found << hid;
    }
    if (found.size() == 1)
        showHidDevices(found.first());
}

PttChoice frmProperties::pttShown() const
{
    PttChoice c;
    c.method = PttMethod(cboMethod->currentData().toInt());
    c.pttLine = PttLine(cboPtt->currentData().toInt());
    c.rigctldHost = txtHost->text().trimmed();
    c.rigctldPort = spnTcpPort->value();
    const int hid = cboHid->findText(cboHid->currentText());
    c.cm108Device = hid >= 0 ? cboHid->itemData(hid).toString() : cboHid->currentText().trimmed();
    c.cm108Gpio = spnGpio->value();
    return c;
}

void frmProperties::cmdTest_Click()
{
    if (!m_tx)
        return;
    const PttChoice c = pttShown();
    Ptt *ptt = m_testPtts.configure(c, cboPort->currentIndex() + 1, cboDevice->currentText().trimmed(),
                                    LineSettings::parse(m_config.row().portSettings).toString());
    if (JournalRecorder *journal = JournalRecorder::of(m_tx)) {
        JournalEntry test;
        test.origin = JournalEntry::Origin::PttTest;
        test.pttMethod = ptt->description();
        journal->prepare(test);
    }
    QString error;
    if (!m_tx->startPttTest(ptt, TestMs, &error)) {
        lblTest->setText(error);
        return;
    }
    cmdTest->setEnabled(false);
    QString text = c.method == PttMethod::Vox
                       ? QStringLiteral("Méthode VOX : rien n'est commandé, c'est le son qui passe "
                                        "l'émetteur en émission.")
                       : QStringLiteral("Émetteur en émission pour %1 s (%2)…").arg(TestMs / 1000).arg(ptt->description());
    if (c.method == PttMethod::Cm108 && !m_testPtts.cm108.warning().isEmpty())
        text += QLatin1Char('\n') + m_testPtts.cm108.warning();
    lblTest->setText(text);
}

void frmProperties::fail(const QString &text)
{
    QMessageBox::warning(this, QStringLiteral("Pontavel"), text);
}

void frmProperties::cmdOK_Click()
{
    const int number = cboPort->currentIndex() + 1;
    if (number < 1) {
        fail(QStringLiteral("Choisissez un numéro de port."));
        return;
    }
    const PttChoice ptt = pttShown();
    const QString device = cboDevice->currentText().trimmed();
    const bool serial = ptt.method == PttMethod::Serial;
    if (serial && (device.isEmpty() || !device.startsWith(QLatin1Char('/')))) {
        fail(QStringLiteral("Indiquez le chemin complet du périphérique du port Com%1 "
                            "(par exemple /dev/ttyUSB0).").arg(number));
        return;
    }

    LineSettings line;
    line.speed = cboSpeed->currentText().trimmed();
    const QString parity = cboParity->currentText();
    if (!parity.isEmpty())
        line.parity = parity.at(0);
    line.dataBits = cboDataBits->currentText().trimmed();
    line.stopBits = cboStopBits->currentText().trimmed();
    if (!line.isValid()) {
        fail(QStringLiteral("Réglages du port invalides (%1) : %2.").arg(line.toString(), line.problem()));
        return;
    }
    if (ptt.method == PttMethod::Rigctld && ptt.rigctldHost.isEmpty()) {
        fail(QStringLiteral("Indiquez la machine où tourne rigctld (127.0.0.1 pour celle-ci)."));
        return;
    }
    if (ptt.method == PttMethod::Cm108 && !ptt.cm108Device.startsWith(QLatin1Char('/'))) {
        fail(QStringLiteral("Indiquez le périphérique hidraw de l'interface son USB (par exemple "
                            "/dev/hidraw0)."));
        return;
    }
    // An adapter not plugged in right now is accepted: it is looked for when keying.
    const QString needed = serial ? device : ptt.method == PttMethod::Cm108 ? ptt.cm108Device : QString();
    if (!needed.isEmpty() && !deviceExists(needed))
        QMessageBox::warning(this, QStringLiteral("Pontavel"),
                             QStringLiteral("Le périphérique %1 est absent pour le moment : il devra "
                                            "être branché avant d'émettre.").arg(needed));

    static_cast<PttChoice &>(m_choice) = ptt;
    m_choice.callSign = txtCallSign->text().trimmed();
    m_choice.place = txtPlace->text().trimmed();
    m_choice.comNumber = number;
    m_choice.device = device;
    m_choice.lineSettings = line.toString();
    m_choice.outputId = cboOutput->currentData().toString();
    m_choice.outputDescription = m_choice.outputId.isEmpty() ? QString() : cboOutput->currentText();
    m_choice.handshaking = m_flow;
    m_choice.echo = m_echo;
    accept();
}
