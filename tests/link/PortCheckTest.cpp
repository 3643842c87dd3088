// The port access check of the driver switches, and what a refused ppdev
// device tells the user about its group.
#include <gtest/gtest.h>

#include <grp.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "link/PortCheck.h"
#include "link/PpdevPort.h"
#include "support/TempDir.h"

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(PortCheck, NamesEveryDeviceAndWhatToDo) {
  const struct {
    const char* name;
    std::vector<std::string> files;  // made in the fake /dev
    std::vector<std::string> ports;  // the devices of the check's lines, in order; "" none
    const char* says;                // in every line
  } cases[] = {
      {"no parallel port", {"tty0"}, {""}, "modprobe ppdev parport_pc"},
      {"files that are no ppdev devices",
       {"parport10", "parport2", "parportx", "lp0"},
       {"parport2", "parport10"},
       "не устройство параллельного порта"},
  };
  for (const auto& c : cases) {
    TempDir dev;
    for (const std::string& f : c.files) std::ofstream(dev / f) << "x";
    const PortCheck check = checkPorts({dev.path.string(), dev.path.string(), false, false});
    ASSERT_EQ(check.lines.size(), c.ports.size()) << c.name;
    for (std::size_t i = 0; i < c.ports.size(); ++i) {
      EXPECT_EQ(check.lines[i].port, c.ports[i].empty() ? "ppdev" : "ppdev:" + (dev / c.ports[i]).string())
          << c.name;
      EXPECT_FALSE(check.lines[i].usable) << c.name;
      EXPECT_TRUE(contains(check.lines[i].text, c.says)) << c.name << ": " << check.lines[i].text;
    }
    EXPECT_FALSE(check.usable());
    EXPECT_TRUE(contains(check.report(), "--port sim:")) << check.report();
  }
}

TEST(PortCheck, ARefusedDeviceNamesItsGroupAndWhatThisUserLacks) {
  const group* lp = getgrnam("lp");
  if (!lp || geteuid() != 0) GTEST_SKIP() << "needs root and a group lp to give a file to it";
  TempDir dir;
  const std::string theirs = (dir / "parport0").string(), ours = (dir / "parport1").string();
  std::ofstream(theirs) << "x";
  std::ofstream(ours) << "x";
  ASSERT_EQ(chown(theirs.c_str(), 0, lp->gr_gid), 0);
  ASSERT_EQ(chown(ours.c_str(), 0, getegid()), 0);
  // root is no member of lp: it is told to join; its own group has the device but not its rights.
  EXPECT_TRUE(contains(ppdevErrorMessage(theirs, EACCES, "open"), "sudo usermod -aG lp $USER"));
  EXPECT_TRUE(contains(ppdevErrorMessage(ours, EACCES, "open"), "проверьте его права (ls -l " + ours));
}

}  // namespace
