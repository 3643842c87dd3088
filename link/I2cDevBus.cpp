#include "link/I2cDevBus.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <thread>

#include "link/PortBackend.h"
#include "model/SystemErrorText.h"

#if defined(__linux__)
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#define TKV88_HAVE_I2C_DEV 1
#endif

namespace fs = std::filesystem;

std::string i2cDevErrorMessage(const std::string& path, int error) {
  switch (error) {
    case 0:
      return "адаптер " + path +
             " не умеет передавать сообщения I2C (только SMBus): возьмите адаптер USB-I2C или другую шину";
    case ENOENT:
      return path +
             " не существует: подключите адаптер и загрузите драйверы (sudo modprobe i2c-dev и драйвер "
             "адаптера: i2c-tiny-usb, hid-cp2112 или hid-mcp2221)";
    case EACCES:
    case EPERM:
      return "нет доступа к " + path +
             ": войдите в группу i2c (sudo usermod -aG i2c $USER) и войдите в систему заново, или дайте "
             "доступ правилом udev (KERNEL==\"i2c-[0-9]*\", GROUP=\"i2c\", MODE=\"0660\")";
    case ENXIO:
    case ENODEV:
      return "за " + path + " нет адаптера I2C (отключён?)";
    case ENOTTY:
    case EINVAL:
      return path + " не устройство шины I2C (i2c-dev)";
    default:
      return "не удаётся открыть " + path + ": " + systemErrorText(error);
  }
}

#if defined(TKV88_HAVE_I2C_DEV)

namespace {

// The major device number of every i2c-dev node (Linux's I2C_MAJOR).
constexpr unsigned kI2cDevMajor = 89;

// Only an i2c-dev node is opened and asked: an I2C request sent to a
// terminal or a disk is sent to the wrong driver.
void refuseOtherDevices(const std::string& path, const struct stat& st) {
  if (S_ISCHR(st.st_mode) && major(st.st_rdev) == kI2cDevMajor) return;
  std::string what = i2cDevErrorMessage(path, ENOTTY);
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
    what += ": это устройство " + std::to_string(major(st.st_rdev)) + ":" +
            std::to_string(minor(st.st_rdev)) + ", а у шин i2c-dev старший номер " +
            std::to_string(kI2cDevMajor);
  throw PortError(what);
}

}  // namespace

std::unique_ptr<I2cDevBus> I2cDevBus::open(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw PortError(i2cDevErrorMessage(path, errno));
  refuseOtherDevices(path, st);
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) throw PortError(i2cDevErrorMessage(path, errno));
  // The node may have been swapped between the look and the open.
  if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || major(st.st_rdev) != kI2cDevMajor) {
    ::close(fd);
    throw PortError(i2cDevErrorMessage(path, ENOTTY));
  }
  unsigned long funcs = 0;
  const int error = ioctl(fd, I2C_FUNCS, &funcs) != 0 ? errno : 0;
  if (error != 0 || !(funcs & I2C_FUNC_I2C)) {
    ::close(fd);
    throw PortError(i2cDevErrorMessage(path, error));
  }
  return std::unique_ptr<I2cDevBus>(new I2cDevBus(fd));
}

I2cDevBus::~I2cDevBus() { ::close(m_fd); }

int I2cDevBus::transfer(I2cMessage* messages, int count) {
  if (count < 1 || count > I2C_RDWR_IOCTL_MAX_MSGS) return EINVAL;
  i2c_msg msgs[I2C_RDWR_IOCTL_MAX_MSGS];
  for (int i = 0; i < count; ++i)
    msgs[i] = {messages[i].addr, messages[i].flags, messages[i].len, messages[i].buf};
  i2c_rdwr_ioctl_data data{msgs, static_cast<__u32>(count)};
  return ioctl(m_fd, I2C_RDWR, &data) < 0 ? errno : 0;
}

#else

std::unique_ptr<I2cDevBus> I2cDevBus::open(const std::string&) {
  throw PortError("адаптеры i2c-dev есть только в Linux");
}
I2cDevBus::~I2cDevBus() = default;
int I2cDevBus::transfer(I2cMessage*, int) { return ENODEV; }

#endif

uint64_t I2cDevBus::nowUs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

void I2cDevBus::sleepUs(uint64_t us) { std::this_thread::sleep_for(std::chrono::microseconds(us)); }

std::vector<I2cAdapter> listI2cAdapters(const std::string& devRoot, const std::string& sysRoot) {
  static const std::regex node(R"(i2c-(\d+))");
  std::map<int, I2cAdapter> found;
  auto scan = [&](const std::string& folder, bool fromSys) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
      const std::string name = entry.path().filename().string();
      std::smatch m;
      if (!std::regex_match(name, m, node)) continue;
      I2cAdapter& a = found[std::stoi(m[1].str())];
      a.devicePath = devRoot + "/" + name;
      if (!fromSys) continue;
      if (std::ifstream in(entry.path() / "name"); in) std::getline(in, a.name);
      // The class entry links to the adapter's place in the device tree.
      const fs::path real = fs::canonical(entry.path(), ec);
      a.usb = !ec && real.string().find("/usb") != std::string::npos;
    }
  };
  scan(sysRoot + "/class/i2c-adapter", true);
  scan(devRoot, false);
  std::vector<I2cAdapter> list;
  for (auto& entry : found) list.push_back(std::move(entry.second));
  std::stable_sort(list.begin(), list.end(),
                   [](const I2cAdapter& a, const I2cAdapter& b) { return a.usb > b.usb; });
  return list;
}
