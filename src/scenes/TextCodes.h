#pragma once
// Text codes: "%D1", "%D2" and "%T" in the two lines shown over the picture
// and in subtitles, and the one replacement primitive every expansion of
// codes goes through.

#include <QString>
#include <memory>
#include <mutex>

#include "dv/DvSceneDetect.h"
#include "scenes/DateFormat.h"

namespace tavrel {

// Replaces every occurrence of oldText by newText, left to right, resuming
// after the inserted text, letters compared without regard to case. With
// wholeWord an occurrence counts only between text boundaries, white space
// or punctuation. An empty oldText replaces nothing.
QString ReplaceCode(const QString& text, const QString& oldText, const QString& newText,
                    bool wholeWord);

// What the date lines show: the two line patterns in force, the formats of
// %D1 and %D2 and the display time shift (days).
struct TDisplaySettings {
    QString Line1Pattern = QStringLiteral("%D1");
    QString Line2Pattern = QStringLiteral("%D2");
    QString FormatDatecode1 = QStringLiteral("ddddd");
    QString FormatDatecode2 = QStringLiteral("tt");
    double DecalageDisplay = 0;
    std::shared_ptr<const TFormatSettings> Regional = DefaultFormatSettings();
};

// "%d:%.2d:%.2d:%.2d" of the timecode, empty without one.
QString OverlayTimecodeText(const TFrameInfo& frame);

// The per-frame expansion of a line pattern: %D1, then %D2, then %T.
QString ExpandLine(const QString& linePattern, const TFrameInfo& frame,
                   const TDisplaySettings& settings);

// The display settings shared by every datecode reader and the overlay. The
// user-interface thread replaces them as a whole; a streaming thread sees
// either the old or the new settings, never a mixture.
class TOverlayLines : public TLineSource {
  public:
    explicit TOverlayLines(TDisplaySettings settings = {});

    void SetSettings(TDisplaySettings settings);
    std::shared_ptr<const TDisplaySettings> Settings() const;

    void ExpandLines(const TFrameInfo& frame, std::string& line1, std::string& line2) override;

  private:
    mutable std::mutex m_mutex;
    std::shared_ptr<const TDisplaySettings> m_settings;
};

}  // namespace tavrel
