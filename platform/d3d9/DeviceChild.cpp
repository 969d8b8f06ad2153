// Reference counting of the objects a device makes (see DeviceImpl.h).
#include "platform/d3d9/Device.h"

namespace zrq::d3d9 {

DeviceChild::DeviceChild(Device *device, Owner owner, DeviceChild *container)
    : device_(device), owner_(owner), container_(container) {}

ULONG DeviceChild::PublicAddRef() {
  if (owner_ == Owner::Container) return container_->PublicAddRef();
  const ULONG count = ++publicRefs_;
  if (count == 1) device_->AddRef();
  return count;
}

ULONG DeviceChild::PublicRelease() {
  if (owner_ == Owner::Container) return container_->PublicRelease();
  const ULONG count = --publicRefs_;
  if (count == 0) {
    Device *device = device_;
    // Destroy first: releasing the device may destroy it, and it must not find us half-alive.
    DestroyIfUnused();
    device->Release();
  }
  return count;
}

void DeviceChild::InternalAddRef() {
  if (owner_ == Owner::Container) return container_->InternalAddRef();
  ++internalRefs_;
}

void DeviceChild::InternalRelease() {
  if (owner_ == Owner::Container) return container_->InternalRelease();
  if (--internalRefs_ == 0) DestroyIfUnused();
}

void DeviceChild::DestroyIfUnused() {
  if (owner_ == Owner::Self && publicRefs_.load() == 0 && internalRefs_.load() == 0) delete this;
}

} // namespace zrq::d3d9
