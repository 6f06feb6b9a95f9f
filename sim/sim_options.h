#pragma once
// The command line of kalvora-sim.

#include <QString>
#include <QStringList>

#include "sim/simulator.h"

namespace kalvora::sim {

struct SimOptions {
    SimConfig config;
    Faults faults;
    QString linkPath;  // symbolic link to the slave device, removed on exit
    QString logPath;   // readable traffic log
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name. False with a message naming the bad option;
// the program then exits with status 2.
bool ParseSimOptions(const QStringList& args, SimOptions& out, QString& error);
QString SimUsage();

}  // namespace kalvora::sim
