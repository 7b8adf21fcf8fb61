#pragma once

#include <functional>
#include <string_view>

class Clipboard;

// The two commands behind the cipher buttons. Each reads the clipboard's text
// once and replaces it once, only after the whole text was transformed; on
// failure they throw Failure and leave the clipboard as it was. A read that
// waits for another program gives up once `keepWaiting` answers false.
void EncryptClipboard(Clipboard& clipboard, std::u16string_view key,
                      const std::function<bool()>& keepWaiting);
void DecryptClipboard(Clipboard& clipboard, std::u16string_view key,
                      const std::function<bool()>& keepWaiting);
