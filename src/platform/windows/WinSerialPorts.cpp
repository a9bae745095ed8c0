// SPDX-License-Identifier: MIT
#include "platform/windows/WinSerialPorts.h"

#include <QByteArray>
#include <algorithm>

#include "platform/windows/WinHeaders.h"
#include "platform/windows/WinText.h"

namespace dtu::platform {

namespace {

// Reads return what has arrived, at once; waiting for more polls the
// driver's input queue, which behaves the same on every driver (and wine).
// Writes complete before they return.
class WinSerialDevice final : public QIODevice {
 public:
  explicit WinSerialDevice(HANDLE handle) : handle_(handle) {}
  ~WinSerialDevice() override { close(); }

  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override { return queued() + QIODevice::bytesAvailable(); }
  bool waitForReadyRead(int msecs) override {
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(std::max(msecs, 0));
    for (;;) {
      const qint64 n = queued();
      if (n != 0) return n > 0;
      if (::GetTickCount64() >= deadline) return false;
      ::Sleep(5);
    }
  }
  bool waitForBytesWritten(int) override { return true; }
  void close() override {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    QIODevice::close();
  }

 protected:
  qint64 readData(char* data, qint64 maxSize) override {
    const qint64 n = std::min(queued(), maxSize);
    if (n <= 0) return n;
    DWORD got = 0;
    if (!::ReadFile(handle_, data, static_cast<DWORD>(n), &got, nullptr)) return -1;
    return got;
  }
  qint64 writeData(const char* data, qint64 size) override {
    DWORD written = 0;
    if (!::WriteFile(handle_, data, static_cast<DWORD>(size), &written, nullptr)) return -1;
    return written;
  }

 private:
  // Bytes in the driver's input queue; -1 when the port is gone.
  qint64 queued() const {
    DWORD errors = 0;
    COMSTAT status{};
    if (handle_ == INVALID_HANDLE_VALUE || !::ClearCommError(handle_, &errors, &status)) return -1;
    return status.cbInQue;
  }

  HANDLE handle_;
};

}  // namespace

QStringList WinSerialPorts::names() {
  QStringList names;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
    return names;
  for (DWORD i = 0;; ++i) {
    wchar_t valueName[256];
    wchar_t data[64];
    DWORD nameLength = 256;
    DWORD dataBytes = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    const LSTATUS rc =
        ::RegEnumValueW(key, i, valueName, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataBytes);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
    data[dataBytes / sizeof(wchar_t)] = L'\0';
    names << QString::fromWCharArray(data);
  }
  ::RegCloseKey(key);
  names.sort();
  return names;
}

std::unique_ptr<QIODevice> WinSerialPorts::open(const QString& name, int baud, SerialFailure& failure) {
  // "COM10" and above are reachable only through the device namespace.
  const std::wstring path = L"\\\\.\\" + name.toStdWString();
  HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD error = handle == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
  if (handle != INVALID_HANDLE_VALUE) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (::GetCommState(handle, &dcb)) {
      dcb.BaudRate = static_cast<DWORD>(baud);
      dcb.ByteSize = 8;
      dcb.Parity = NOPARITY;
      dcb.StopBits = ONESTOPBIT;
      dcb.fBinary = TRUE;
      dcb.fParity = FALSE;
      dcb.fOutxCtsFlow = FALSE;
      dcb.fOutxDsrFlow = FALSE;
      dcb.fOutX = FALSE;
      dcb.fInX = FALSE;
      dcb.fDtrControl = DTR_CONTROL_ENABLE;
      dcb.fRtsControl = RTS_CONTROL_ENABLE;
    }
    if (dcb.BaudRate == static_cast<DWORD>(baud) && ::SetCommState(handle, &dcb)) {
      ::PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
      // Reads never wait (they take only what is queued); a write gives up after 5 s.
      COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 5000};
      ::SetCommTimeouts(handle, &timeouts);
      auto device = std::make_unique<WinSerialDevice>(handle);
      device->open(QIODevice::ReadWrite | QIODevice::Unbuffered);
      return device;
    }
    error = ::GetLastError();
    ::CloseHandle(handle);
  }
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      failure.kind = SerialFailure::Kind::NotFound;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      failure.kind = SerialFailure::Kind::Busy;
      break;
    default:
      failure.kind = SerialFailure::Kind::Other;
  }
  failure.cause = ErrorText(error);
  return nullptr;
}

}  // namespace dtu::platform
