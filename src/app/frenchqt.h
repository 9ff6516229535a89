#pragma once

class QCoreApplication;

// Qt's own texts in French: standard buttons (Oui, Non, Annuler), the file and
// colour dialogs, the context menus of text boxes, the command line help.
namespace FrenchQt {

// Loads Qt's French catalogues whatever the desktop's language, since the
// program speaks French. False when the catalogues are not installed.
bool install(QCoreApplication &app);

} // namespace FrenchQt
