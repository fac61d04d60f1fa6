#include "modSettings.h"

#include "forms/settings.h"

namespace modSettings {
namespace {
constexpr char16_t kApplication[] = u"Marlow";
}

std::u16string ReadSetting(const std::u16string& section, const std::u16string& key,
                           const std::u16string& defaultValue) {
  return forms::GetSetting(kApplication, section, key, defaultValue);
}

void WriteSetting(const std::u16string& section, const std::u16string& key, const std::u16string& value) {
  forms::SaveSetting(kApplication, section, key, value);
}

}  // namespace modSettings
