#include "port.h"

#include "serial/async32.h"

namespace dalvex::k6link {

void AsynCommPort::SetDeviceName(const std::string& name) {
    comm_.SetDeviceName(name);
}
void AsynCommPort::Open() {
    comm_.Open();
}
void AsynCommPort::Close() {
    comm_.Close();
}
bool AsynCommPort::IsOpen() const {
    return comm_.IsOpen();
}
bool AsynCommPort::Lost() const {
    return comm_.Lost();
}
int AsynCommPort::Write(const void* buffer, int count) {
    return comm_.Write(buffer, count);
}
int AsynCommPort::Read(void* buffer, int count) {
    return comm_.Read(buffer, count);
}

} // namespace dalvex::k6link
