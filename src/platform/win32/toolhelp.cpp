// Processes, modules and version resources.

#include <cstring>

#include "platform/win32/win32.h"
// After <windows.h>, which it needs.
#include <tlhelp32.h>

namespace platform {

using win32::FromCharArray;
using win32::FromHandle;
using win32::ToHandle;

Handle CreateToolhelp32Snapshot(unsigned flags, std::uint32_t processId) {
  return FromHandle(::CreateToolhelp32Snapshot(flags, processId));
}

namespace {

bool TakeProcessEntry(BOOL ok, const PROCESSENTRY32& record, ProcessEntry* entry) {
  if (!ok) return false;
  if (entry) *entry = {record.th32ProcessID, FromCharArray(record.szExeFile)};
  return true;
}

}  // namespace

bool Process32First(Handle snapshot, ProcessEntry* entry) {
  PROCESSENTRY32 record{};
  record.dwSize = sizeof record;
  return TakeProcessEntry(::Process32First(ToHandle(snapshot), &record), record, entry);
}

bool Process32Next(Handle snapshot, ProcessEntry* entry) {
  PROCESSENTRY32 record{};
  record.dwSize = sizeof record;
  return TakeProcessEntry(::Process32Next(ToHandle(snapshot), &record), record, entry);
}

bool Module32First(Handle snapshot, ModuleEntry* entry) {
  // Zero-filled, so a refused call leaves an empty path behind.
  MODULEENTRY32 record{};
  record.dwSize = sizeof record;
  const bool ok = ::Module32First(ToHandle(snapshot), &record) != FALSE;
  if (entry) entry->exePath = FromCharArray(record.szExePath);
  return ok;
}

bool CloseHandle(Handle handle) {
  if (handle == kInvalidHandle || handle == 0) return false;
  return ::CloseHandle(ToHandle(handle)) != FALSE;
}

Handle OpenProcess(std::uint32_t access, std::uint32_t processId) {
  return FromHandle(::OpenProcess(access, FALSE, processId));
}

std::string QueryFullProcessImageNameA(Handle process) {
  // Long paths exist; grow up to the longest one Windows knows.
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD length = static_cast<DWORD>(path.size());
    if (::QueryFullProcessImageNameA(ToHandle(process), 0, path.data(), &length)) {
      path.resize(length);
      return path;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

std::uint32_t GetCurrentProcessId() { return ::GetCurrentProcessId(); }

bool IsWow64Process(Handle process, bool* wow64) {
  BOOL answer = FALSE;
  if (!::IsWow64Process(ToHandle(process), &answer)) return false;
  if (wow64) *wow64 = answer != FALSE;
  return true;
}

Handle OpenProcessToken(Handle process) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(ToHandle(process), TOKEN_QUERY, &token)) return 0;
  return FromHandle(token);
}

bool GetTokenIntegrityLevel(Handle token, std::uint32_t* level) {
  // A label and its SID, which holds the level as its last sub-authority.
  alignas(TOKEN_MANDATORY_LABEL) unsigned char buffer[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE] = {};
  DWORD size = 0;
  if (!::GetTokenInformation(ToHandle(token), TokenIntegrityLevel, buffer, sizeof buffer, &size)) return false;
  PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
  if (!sid || !::IsValidSid(sid)) return false;
  const UCHAR count = *::GetSidSubAuthorityCount(sid);
  if (count == 0) return false;
  if (level) *level = *::GetSidSubAuthority(sid, count - 1);
  return true;
}

std::string GetModuleFileNameA() {
  // Paths may exceed MAX_PATH; grow until the name fits.
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

std::uint32_t GetFileVersionInfoSizeA(const std::string& path) {
  return ::GetFileVersionInfoSizeA(path.c_str(), nullptr);
}

bool GetFileVersionInfoA(const std::string& path, std::uint32_t size, std::vector<std::uint8_t>* block) {
  if (!block || size == 0) return false;
  block->assign(size, 0);
  if (::GetFileVersionInfoA(path.c_str(), 0, size, block->data())) return true;
  block->clear();
  return false;
}

bool VerQueryValueA(const std::vector<std::uint8_t>& block, const std::string& subBlock, std::string* value) {
  if (block.empty()) return false;
  // VerQueryValueA converts the resource's UTF-16 strings into ANSI inside
  // the block it is given, so it works on a private copy.
  std::vector<std::uint8_t> copy(block);
  void* data = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(copy.data(), subBlock.c_str(), &data, &length) || !data) return false;
  const char* bytes = static_cast<const char*>(data);
  // Strings are counted in characters including the NUL; binary values such
  // as the translation table in bytes.
  const bool isString = subBlock.size() >= 15 && ::_strnicmp(subBlock.c_str(), "\\StringFileInfo", 15) == 0;
  std::size_t size = length;
  if (isString) size = ::strnlen(bytes, length);
  if (value) value->assign(bytes, size);
  return true;
}

}  // namespace platform
