// The program's command line: an optional configuration file, the switches
// "i" and "u" (the port driver's install and remove switches, written with or
// without "/" or "-", either case; on Linux both check access to the ports),
// "--port PORT" (the port description, remembered for the next start),
// "--version" and "--help". Parsing never throws; a bad
// command line is reported in error. Used once at start-up.
#pragma once

#include <QString>
#include <QStringList>

class CommandLine {
 public:
  // The arguments without the program name.
  void parse(const QStringList& args);

  // The text printed for --help and after a bad command line.
  static QString usage();

  bool installSwitch = false;
  bool removeSwitch = false;
  bool showHelp = false;
  bool showVersion = false;
  QString fileName;  // empty: no file named, start with a device read
  QString port;      // empty: the remembered port
  QString error;     // empty when the command line is good
};
