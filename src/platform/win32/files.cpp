// Files, directory listings, profile (INI) files and sleeping.
#include "platform/win32/win32.h"

namespace platform {

using win32::FromCharArray;
using win32::FromHandle;
using win32::ToHandle;

namespace {

void TakeFindData(const WIN32_FIND_DATAA& record, FindData* data) {
  if (!data) return;
  data->fileName = FromCharArray(record.cFileName);
  data->isDirectory = (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  data->fileSizeLow = record.nFileSizeLow;
}

}  // namespace

Handle FindFirstFileA(const std::string& pattern, FindData* data) {
  WIN32_FIND_DATAA record{};
  const HANDLE find = ::FindFirstFileA(pattern.c_str(), &record);
  if (find == INVALID_HANDLE_VALUE) return kInvalidHandle;
  TakeFindData(record, data);
  return FromHandle(find);
}

bool FindNextFileA(Handle find, FindData* data) {
  WIN32_FIND_DATAA record{};
  if (!::FindNextFileA(ToHandle(find), &record)) return false;
  TakeFindData(record, data);
  return true;
}

bool FindClose(Handle find) {
  if (find == kInvalidHandle) return false;
  return ::FindClose(ToHandle(find)) != FALSE;
}

Handle OpenExistingFileShared(const std::string& path) {
  // Reading alone: a handle with write access would keep the owner from
  // taking the file for writing with other writers denied.
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const HANDLE file =
      ::CreateFileA(path.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? kInvalidHandle : FromHandle(file);
}

bool ReadFile(Handle file, void* buffer, std::uint32_t size, std::uint32_t* read) {
  DWORD count = 0;
  const bool ok = ::ReadFile(ToHandle(file), buffer, size, &count, nullptr) != FALSE;
  if (read) *read = ok ? count : 0;
  return ok;
}

bool GetFileAttributesExA(const std::string& path, FileStamp* stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  if (stamp) {
    stamp->size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp->lastWriteTime =
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
  }
  return true;
}

std::string GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                     const std::string& defaultValue, std::uint32_t bufferSize,
                                     const std::string& path) {
  if (bufferSize == 0) return {};
  std::string value(bufferSize, '\0');
  const DWORD length = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), value.data(),
                                                  bufferSize, path.c_str());
  value.resize(length < bufferSize ? length : bufferSize - 1);
  return value;
}

bool WritePrivateProfileStringA(const std::string& section, const std::string& key, const std::string& value,
                                const std::string& path) {
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != FALSE;
}

void Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }

std::uint64_t GetTickCount64() { return ::GetTickCount64(); }

unsigned GetACP() { return ::GetACP(); }

LocalTime GetLocalTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return {now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

}  // namespace platform
