#pragma once

#include <QString>

// The demo workspace: the map plan.bmp, relai.db with the sample network and
// the DTMF tone files, made in one folder. Shared by pontavel-demo and by the
// program's first start from the desktop menu.
namespace DemoWorkspace {

struct Report
{
    bool mapKept = false;  // the folder already had a plan.bmp
    int tonesMade = 0;
    int tonesKept = 0;
    int repeaters = 0;
    int beams = 0;
    int commands = 0;
};

// Makes the workspace in `folder` (created when missing). Refuses a folder
// that already holds relai.db or relai.mdb. False with the reason, in French,
// in *error.
bool create(const QString &folder, Report *report, QString *error);

} // namespace DemoWorkspace
