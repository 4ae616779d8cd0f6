// Voice files and firmware texts.
#include "fuzz/fuzz_targets.h"
#include "fuzz/temp_file.h"
#include "k6media/firmware_image.h"
#include "k6media/voice_blocks.h"
#include "k6media/wav_check.h"

#include <string_view>
#include <vector>

namespace dalvex::fuzz {

void FuzzWav(Input data) {
    (void)k6media::FindDataTag(data);
    InputFile file(data);
    if (!file.ok()) return;
    QByteArray samples;
    const k6media::WavCheck check =
        k6media::CheckWav(file.path(), &samples, static_cast<qint64>(k6media::kVoiceBytesUsed) + 1);
    (void)k6media::WavCheckMessage(check, file.path(), k6media::VoiceTexts{});
    if (!check.ok()) return;
    const auto* s = reinterpret_cast<const std::uint8_t*>(samples.constData());
    (void)k6media::BuildVoiceBlocks({s, static_cast<std::size_t>(samples.size())});
}

void FuzzFirmwareText(Input data) {
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    // The converter must stay inside the image it is given, however short.
    std::vector<std::uint8_t> small(data.empty() ? 0 : data[0] % 64);
    (void)k6media::ConvertFirmwareText(text, small);
    static std::vector<std::uint8_t> image(k6media::kFirmwareImageSize);
    (void)k6media::ConvertFirmwareText(text, image);
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    const QByteArray joined = k6media::JoinFirmwareLines(bytes);
    (void)k6media::ConvertFirmwareText({joined.constData(), static_cast<std::size_t>(joined.size())}, image);
}

} // namespace dalvex::fuzz
