#include "scenes/WriteSrt.h"

#include "avi/MediaFormat.h"
#include "dv/DvSceneDetect.h"
#include "scenes/ScnFile.h"

namespace tavrel {

QString SrtFilePath(const QString& videoPath) {
    return ReplaceExtension(videoPath, QStringLiteral(".srt"));
}

TWriteSrt::TWriteSrt(const QString& videoPath, double frameRate)
    : TwriteFile(SrtFilePath(videoPath)), m_frameRate(frameRate) {}

TWriteSrt::~TWriteSrt() = default;

void TWriteSrt::WritePendingCue(std::uint32_t endFrame) {
    if (!m_pending) return;
    m_pending = false;
    const QString from = FormatSrtTime(m_cueStart, m_frameRate);
    const QString to = FormatSrtTime(endFrame, m_frameRate);
    if (from.isEmpty() || to.isEmpty()) {
        Fail(QStringLiteral("Fréquence d'images inconnue : les sous-titres de %1 ne peuvent pas "
                            "être datés")
                 .arg(Path()));
        return;
    }
    ++m_cueCount;
    WriteLine(QString::number(m_cueCount));
    WriteLine(from + QStringLiteral(" --> ") + to);
    WriteLine(m_line1);
    WriteLine(m_line2);
    WriteLine(QString());
}

void TWriteSrt::SubtitleChange(std::uint32_t frame, const QString& line1, const QString& line2) {
    WritePendingCue(frame);
    if (line1.isEmpty() && line2.isEmpty()) return;
    const QString space = QStringLiteral(" ");
    m_cueStart = frame;
    m_line1 = line1.isEmpty() ? space : line1;
    m_line2 = line2.isEmpty() ? space : line2;
    m_pending = true;
}

bool TWriteSrt::Finish(std::uint32_t endFrame) {
    WritePendingCue(endFrame);
    return Close();
}

void AttachSrtWriter(Tdv_sceneDetect& detector, std::shared_ptr<TWriteSrt> writer) {
    detector.SetDisplayCallback([writer, &detector](const TFrameInfo& frame,
                                                    const std::string& line1,
                                                    const std::string& line2) {
        if (!(writer->FrameRate() > 0) && detector.FrameDurationHns() > 0)
            writer->SetFrameRate(1e7 / static_cast<double>(detector.FrameDurationHns()));
        writer->SubtitleChange(frame.FrameIndex, QString::fromStdString(line1),
                               QString::fromStdString(line2));
    });
    // The reader closes the shown lines itself at the end of the stream, at
    // the frame after the last one; Finish then only has the file to close.
    detector.OnEndOfStream = [writer, &detector]() mutable {
        if (!writer) return;
        const std::uint32_t end =
            detector.SampleCount() > 0 ? detector.CurrentFrame().FrameIndex + 1 : 0;
        writer->Finish(end);
        writer.reset();  // the caller's reference keeps what it needs to read
    };
}

}  // namespace tavrel
