#include "platform/gpu/device_child.h"

#include "platform/gpu/device.h"

namespace gpu {

DeviceChild::DeviceChild(Device* device) : device_(device), serial_(nextSerial()), keepsDevice_(true) {
    device_->childAdded();
}

DeviceChild::DeviceChild(Device* device, Internal) : device_(device), serial_(nextSerial()), keepsDevice_(false) {}

DeviceChild::~DeviceChild() {
    if (keepsDevice_) device_->childGone();  // may destroy the device: nothing may follow
}

}  // namespace gpu
