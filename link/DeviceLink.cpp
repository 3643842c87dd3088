#include "link/DeviceLink.h"

#include <stdexcept>

#include "link/WireProtocol.h"

namespace {

std::unique_ptr<MemoryAccess> bitBanged(std::unique_ptr<PortBackend> backend, LinkTiming timing) {
  if (!backend) throw std::invalid_argument("DeviceLink needs a port backend");
  return std::make_unique<BitBangedMemory>(std::move(backend), timing);
}

}  // namespace

DeviceLink::DeviceLink(std::unique_ptr<PortBackend> backend, LinkTiming timing)
    : DeviceLink(bitBanged(std::move(backend), timing)) {}

DeviceLink::DeviceLink(std::unique_ptr<MemoryAccess> memory) { setMemory(std::move(memory)); }

DeviceLink::~DeviceLink() = default;

void DeviceLink::setPort(std::unique_ptr<PortBackend> backend, LinkTiming timing) {
  setMemory(bitBanged(std::move(backend), timing));
}

void DeviceLink::setMemory(std::unique_ptr<MemoryAccess> memory) {
  if (!memory) throw std::invalid_argument("DeviceLink needs a memory access engine");
  m_memory = std::move(memory);
  m_port = m_memory->parallelPort();
  lptBase = 0;
}
