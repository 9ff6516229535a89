#include "transmitter.h"

// Placeholder until the tone player lands: refuses every transmission.
class Transmitter::Private {};
Transmitter::Transmitter(QObject *parent) : QObject(parent), d(new Private) {}
Transmitter::~Transmitter() { delete d; }
void Transmitter::configurePort(int, const QString &) {}
bool Transmitter::startSequence(const QStringList &, QString *error)
{
    if (error)
        *error = QStringLiteral("Émission indisponible dans cette version.");
    return false;
}
bool Transmitter::startHeld(const QString &, QString *error) { return startSequence({}, error); }
void Transmitter::stopHeld() {}
void Transmitter::stop() {}
bool Transmitter::isBusy() const { return false; }
bool Transmitter::isKeyed() const { return false; }
