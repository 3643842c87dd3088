#include "link/PpdevPort.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <regex>

#include "link/LinkError.h"
#include "model/SystemErrorText.h"

#if defined(__linux__)
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>
#define TKV88_HAVE_PPDEV 1
#endif

namespace {

// "parport0" from "/dev/parport0" or "/dev/parports/0".
std::optional<std::string> portName(const std::string& devicePath) {
  std::smatch m;
  static const std::regex name(R"((?:parport|parports/)(\d+)$)");
  if (!std::regex_search(devicePath, m, name)) return std::nullopt;
  return "parport" + m[1].str();
}

#if defined(__linux__)

bool processHasGroup(gid_t gid) {
  if (getegid() == gid) return true;
  gid_t groups[256];
  const int n = getgroups(256, groups);
  for (int i = 0; i < n; ++i)
    if (groups[i] == gid) return true;
  return false;
}

// Whether the group database lists the user in the group: true after a
// "usermod -aG" even while this session still runs without the group.
bool userListedInGroup(gid_t gid) {
  const passwd* user = getpwuid(getuid());
  if (!user) return false;
  gid_t groups[256];
  int n = 256;
  if (getgrouplist(user->pw_name, user->pw_gid, groups, &n) < 0) return false;
  for (int i = 0; i < n; ++i)
    if (groups[i] == gid) return true;
  return false;
}

// A refused device: which group may use it and what this user has to do.
std::optional<std::string> groupAdvice(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  const group* g = getgrgid(st.st_gid);
  if (!g) return std::nullopt;
  const std::string name = g->gr_name;
  if (processHasGroup(st.st_gid))
    return "нет доступа к " + path + ", хотя вы в группе " + name +
           ", которой принадлежит устройство: проверьте его права (ls -l " + path + ")";
  if (userListedInGroup(st.st_gid))
    return "нет доступа к " + path + ": вас добавили в группу " + name +
           " после начала этого сеанса; войдите в систему заново";
  return "нет доступа к " + path + ": устройство доступно группе " + name +
         "; добавьте себя в неё (sudo usermod -aG " + name + " $USER) и войдите в систему заново";
}

#else

std::optional<std::string> groupAdvice(const std::string&) { return std::nullopt; }

#endif

}  // namespace

std::optional<uint16_t> parportBase(const std::string& devicePath, const std::string& procRoot) {
  const auto name = portName(devicePath);
  if (!name) return std::nullopt;
  // "888\t1912": the base and the high base, in decimal.
  if (std::ifstream in(procRoot + "/sys/dev/parport/" + *name + "/base-addr"); in) {
    long base = -1;
    if (in >> base && base > 0 && base <= 0xFFFF) return static_cast<uint16_t>(base);
  }
  // "  0378-037a : parport0"
  if (std::ifstream in(procRoot + "/ioports"); in) {
    static const std::regex line(R"(^\s*([0-9a-fA-F]+)-[0-9a-fA-F]+\s*:\s*(\S+)\s*$)");
    for (std::string text; std::getline(in, text);) {
      std::smatch m;
      if (std::regex_match(text, m, line) && m[2].str() == *name) {
        const unsigned long base = std::stoul(m[1].str(), nullptr, 16);
        if (base > 0 && base <= 0xFFFF) return static_cast<uint16_t>(base);
      }
    }
  }
  return std::nullopt;
}

std::string ppdevErrorMessage(const std::string& path, int error, const std::string& operation) {
  switch (error) {
    case ENOENT:
      return path +
             " не существует: загрузите драйвер параллельного порта (modprobe ppdev parport_pc) "
             "или проверьте, есть ли у компьютера параллельный порт";
    case EACCES:
    case EPERM:
      if (auto advice = groupAdvice(path)) return *advice;
      return "нет доступа к " + path +
             ": войдите в группу, которой принадлежит устройство (sudo usermod -aG lp $USER), "
             "и войдите в систему заново";
    case EBUSY:
      return path + " занят: порт держит другая программа (служба печати?)";
    case ENXIO:
    case ENODEV:
      return "за " + path + " нет параллельного порта";
    case ENOTTY:
    case EINVAL:
      return path + " не устройство параллельного порта (ppdev)";
    default:
      return "не удаётся " + std::string(operation == "claim" ? "захватить " : "открыть ") + path + ": " +
             systemErrorText(error);
  }
}

PpdevPort::PpdevPort(std::vector<Device> devices, std::vector<uint16_t> presented)
    : HardwarePort(std::move(presented)), m_devices(std::move(devices)) {}

#if defined(TKV88_HAVE_PPDEV)

std::unique_ptr<PpdevPort> PpdevPort::open(const std::vector<std::string>& paths,
                                           const std::string& procRoot) {
  std::vector<Device> devices;
  std::vector<std::optional<uint16_t>> bases;
  auto closeAll = [&] {
    for (const Device& d : devices) {
      ioctl(d.fd, PPRELEASE);
      ::close(d.fd);
    }
  };
  for (const std::string& path : paths) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
      const int error = errno;
      closeAll();
      throw PortError(ppdevErrorMessage(path, error, "open"));
    }
    if (ioctl(fd, PPCLAIM) != 0) {
      const int error = errno;
      ::close(fd);
      closeAll();
      throw PortError(ppdevErrorMessage(path, error, "claim"));
    }
    devices.push_back({path, fd});
    bases.push_back(parportBase(path, procRoot));
  }
  std::vector<uint16_t> presented;
  try {
    presented = presentedBases(bases);
  } catch (const std::invalid_argument& e) {
    closeAll();
    throw PortError(e.what());
  }
  return std::unique_ptr<PpdevPort>(new PpdevPort(std::move(devices), std::move(presented)));
}

PpdevPort::~PpdevPort() {
  for (const Device& d : m_devices) {
    ioctl(d.fd, PPRELEASE);
    ::close(d.fd);
  }
}

uint8_t PpdevPort::readRegister(std::size_t port, int offset) {
  unsigned char value = 0;
  if (ioctl(m_devices[port].fd, offset == 0 ? PPRDATA : PPRSTATUS, &value) != 0) fail(port, "read");
  return value;
}

void PpdevPort::writeRegister(std::size_t port, int offset, uint8_t value) {
  if (offset != 0) return;  // the status register is read-only
  unsigned char v = value;
  if (ioctl(m_devices[port].fd, PPWDATA, &v) != 0) fail(port, "write");
}

#else

std::unique_ptr<PpdevPort> PpdevPort::open(const std::vector<std::string>&, const std::string&) {
  throw PortError("порты ppdev есть только в Linux");
}
PpdevPort::~PpdevPort() = default;
uint8_t PpdevPort::readRegister(std::size_t, int) { return 0xFF; }
void PpdevPort::writeRegister(std::size_t, int, uint8_t) {}

#endif

void PpdevPort::fail(std::size_t port, const char* operation) {
  // A port that vanishes under a running exchange: reported like any device fault.
  const std::string text = std::string("Ошибка LPT-порта (") + operation + " " + m_devices[port].path +
                           "): " + systemErrorText(errno);
  throw LinkError(LinkError::kLinkBroken, text);
}
