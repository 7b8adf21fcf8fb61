#pragma once

class QString;

// The two commands behind the cipher buttons. Each reads the clipboard's text
// once and replaces it once, only after the whole text was transformed; on
// failure they throw Failure and leave the clipboard as it was.
void EncryptClipboard(const QString& key);
void DecryptClipboard(const QString& key);
