#include "modTrace.h"

#include <limits>
#include <optional>

#include "TraceViewerProtocol.h"
#include "kestrel/codepage.h"
#include "kestrel/module.h"
#include "version.h"
#include "windows.h"

namespace modTrace {
namespace {

struct TraceState {
  int16_t MaxLevel = 0;
  std::u16string SourceName;
  int16_t Reserved = 0;
  int16_t DefaultLevel = 0;
  bool FollowViewerLevel = false;
  HWND ViewerWindow = nullptr;
  bool ViewerQueried = false;
  std::u16string DefaultSourceCache;
};

thread_local TraceState t_state;

void ModuleMarker() {}

const std::u16string& ApplicationName() {
  static const std::u16string name =
      kestrel::codepage::FromAnsi(kestrel::module::NameContaining(reinterpret_cast<const void*>(&ModuleMarker)));
  return name;
}

std::u16string Decimal(int64_t n) { return kestrel::codepage::FromAnsi(std::to_string(n)); }

// A reply as a 16-bit level; nothing when it does not fit.
std::optional<int16_t> AsLevel(LRESULT reply) {
  if (reply < std::numeric_limits<int16_t>::min() || reply > std::numeric_limits<int16_t>::max()) return std::nullopt;
  return static_cast<int16_t>(reply);
}

LRESULT Send(HWND viewer, unsigned long kind, const std::u16string* record) {
  COPYDATASTRUCT data{};
  data.dwData = kind;
  if (record) {
    data.cbData = static_cast<DWORD>(record->size() * sizeof(char16_t));
    data.lpData = const_cast<char16_t*>(record->data());
  }
  return SendMessageA(viewer, WM_COPYDATA, reinterpret_cast<WPARAM>(viewer), reinterpret_cast<LPARAM>(&data));
}

}  // namespace

void InitTrace(const std::u16string& sourceName, int16_t defaultLevel, bool followViewerLevel) {
  t_state.SourceName = sourceName;
  t_state.DefaultLevel = defaultLevel;
  t_state.FollowViewerLevel = followViewerLevel;
}

std::u16string BuildRecord(const std::u16string& message, const std::u16string& className,
                           const std::u16string& procedureName, const std::u16string& source, int16_t level,
                           int32_t number, const std::u16string& extra1, const std::u16string& extra2,
                           int16_t reserved) {
  const std::u16string fields[trace_viewer::kFieldCount] = {
      u"2.0", message, procedureName, className, ApplicationName(), source,
      extra1, extra2,  u"",          Decimal(number), Decimal(level), Decimal(reserved)};
  std::u16string record;
  for (const auto& field : fields) {
    record += field;
    record += u'\0';
  }
  return record;
}

void WriteTrace(const std::u16string& message, const std::u16string& className, const std::u16string& procedureName,
                int16_t level, int32_t number, const std::u16string& extra1, const std::u16string& extra2) {
  TraceState& s = t_state;
  try {
    if (level == -1) level = s.DefaultLevel;
    if (s.ViewerQueried && level < 1) return;
    if (s.ViewerQueried && level > s.MaxLevel) return;
    if (s.SourceName.empty()) s.SourceName = GetTraceSource();
    const std::u16string record =
        BuildRecord(message, className, procedureName, s.SourceName, level, number, extra1, extra2, s.Reserved);
    if (!s.ViewerQueried) {
      s.ViewerWindow = FindWindowA(nullptr, trace_viewer::kTitle);
      if (s.ViewerWindow) {
        if (auto max = AsLevel(Send(s.ViewerWindow, trace_viewer::kLevelQuery, nullptr))) s.MaxLevel = *max;
        s.ViewerQueried = true;
      }
    }
    if (!s.ViewerWindow) return;
    LRESULT reply = Send(s.ViewerWindow, trace_viewer::kRecord, &record);
    if (s.FollowViewerLevel)
      if (auto max = AsLevel(reply)) s.MaxLevel = *max;
  } catch (...) {
    // Tracing never disturbs its caller.
  }
}

std::u16string GetTraceSource() {
  if (t_state.DefaultSourceCache.empty()) t_state.DefaultSourceCache = u"KestrelIEToolbar";
  return t_state.DefaultSourceCache;
}

std::u16string GetVersionText() {
  return Decimal(band_version::kMajor) + u"." + Decimal(band_version::kMinor) + u"." +
         Decimal(band_version::kRevision);
}

}  // namespace modTrace
