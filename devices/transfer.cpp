// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/transfer.h"

#include <algorithm>
#include <span>

namespace tarvik::devices {

std::vector<ByteRange> WholeImage(const DeviceKind& kind) {
    std::vector<ByteRange> blocks;
    for (std::size_t first = 0; first < kImageSize; first += kind.blockBytes)
        blocks.push_back({first, std::min(kind.blockBytes, kImageSize - first)});
    return blocks;
}

std::vector<ByteRange> ChangedBlocks(const DeviceKind& kind, const ImageBytes& before, const ImageBytes& after) {
    std::vector<ByteRange> changed;
    for (const ByteRange& block : WholeImage(kind)) {
        const auto first = static_cast<std::ptrdiff_t>(block.first);
        const auto last = first + static_cast<std::ptrdiff_t>(block.count);
        if (!std::equal(before.begin() + first, before.begin() + last, after.begin() + first)) changed.push_back(block);
    }
    return changed;
}

namespace {

// Each range cut into pieces of at most a block, in every slot: the writes
// or reads a transfer makes, in order.
[[nodiscard]] std::vector<ByteRange> Pieces(const DeviceKind& kind, const std::vector<ByteRange>& ranges) {
    std::vector<ByteRange> pieces;
    for (std::size_t slot = 0; slot < kind.Slots(); ++slot) {
        for (const ByteRange& range : ranges) {
            for (std::size_t done = 0; done < range.count; done += kind.blockBytes) {
                pieces.push_back(
                    {slot * kImageSize + range.first + done, std::min(kind.blockBytes, range.count - done)});
            }
        }
    }
    return pieces;
}

}  // namespace

Transferred WriteRanges(Emulator& emulator, const DeviceKind& kind, int bank, const ImageBytes& image,
                        const std::vector<ByteRange>& ranges, const Progress& progress) {
    const std::vector<ByteRange> pieces = Pieces(kind, ranges);
    Transferred result{{}, 0, pieces.size()};
    if (Fault failed = emulator.BeginWrite(bank); failed.failed()) return {failed, 0, pieces.size()};
    for (const ByteRange& piece : pieces) {
        const std::span<const std::uint8_t> bytes = std::span(image).subspan(piece.first % kImageSize, piece.count);
        if (Fault failed = emulator.Write(static_cast<std::uint32_t>(piece.first), bytes); failed.failed()) {
            result.fault = failed;
            return result;
        }
        ++result.done;
        if (progress) progress(result.done, result.total);
    }
    result.fault = emulator.EndWrite();
    return result;
}

Transferred ReadRanges(Emulator& emulator, const DeviceKind& kind, int bank, const std::vector<ByteRange>& ranges,
                       std::vector<std::uint8_t>& bytes, const Progress& progress) {
    const std::vector<ByteRange> pieces = Pieces(kind, ranges);
    Transferred result{{}, 0, pieces.size()};
    bytes.resize(kind.imageSpan);
    if (Fault failed = emulator.BeginRead(bank); failed.failed()) return {failed, 0, pieces.size()};
    std::vector<std::uint8_t> piece;
    for (const ByteRange& range : pieces) {
        if (Fault failed = emulator.Read(static_cast<std::uint32_t>(range.first), range.count, piece);
            failed.failed()) {
            result.fault = failed;
            return result;
        }
        std::copy(piece.begin(), piece.end(), bytes.begin() + static_cast<std::ptrdiff_t>(range.first));
        ++result.done;
        if (progress) progress(result.done, result.total);
    }
    return result;
}

bool HoldsImage(const DeviceKind& kind, const std::vector<std::uint8_t>& bytes, const ImageBytes& image) {
    if (bytes.size() < kind.imageSpan) return false;
    for (std::size_t slot = 0; slot < kind.Slots(); ++slot) {
        if (!std::equal(image.begin(), image.end(), bytes.begin() + static_cast<std::ptrdiff_t>(slot * kImageSize)))
            return false;
    }
    return true;
}

UploadOutcome Upload(Emulator& emulator, const DeviceKind& kind, const ImageBytes& image, const UploadOptions& options,
                     const Progress& writing, const Progress& reading) {
    UploadOutcome outcome;
    outcome.total = WholeImage(kind).size() * kind.Slots();
    int emulated = -1;
    if (Fault failed = emulator.EmulatedBank(emulated); failed.failed()) {
        outcome.fault = failed;
        return outcome;
    }
    outcome.before = outcome.now = emulated;
    outcome.bank = options.bank ? *options.bank : kind.banks > 1 ? (emulated + 1) % kind.banks : emulated;

    const Transferred written = WriteRanges(emulator, kind, outcome.bank, image, WholeImage(kind), writing);
    outcome.written = written.done;
    if (written.fault.failed()) {
        outcome.fault = written.fault;
        return outcome;
    }
    outcome.wroteWhole = true;
    if (options.verify && kind.readsBack) {
        std::vector<std::uint8_t> bytes;
        const Transferred read = ReadRanges(emulator, kind, outcome.bank, WholeImage(kind), bytes, reading);
        if (read.fault.failed()) {
            outcome.fault = read.fault;
            return outcome;
        }
        if (!HoldsImage(kind, bytes, image)) {
            outcome.end = UploadOutcome::End::Differs;
            outcome.bytes = std::move(bytes);
            outcome.fault = emulator.Finish();
            return outcome;
        }
        outcome.readBack = true;
    }
    if (outcome.bank != emulated) {
        if (Fault failed = emulator.Emulate(outcome.bank); failed.failed()) {
            outcome.fault = failed;
            // Refused or garbled, the switch may or may not have happened:
            // asked again where the line still serves.
            int running = -1;
            outcome.now =
                failed.kind == Fault::Kind::Refused && !emulator.EmulatedBank(running).failed() ? running : -1;
            return outcome;
        }
    }
    // The engine runs the bank only when the emulator says so.
    int running = -1;
    if (Fault failed = emulator.EmulatedBank(running); failed.failed()) {
        outcome.fault = failed;
        outcome.now = -1;
        return outcome;
    }
    outcome.now = running;
    if (running != outcome.bank) {
        outcome.fault = Fault::Of(Fault::Kind::Unexpected,
                                  QStringLiteral("the emulator runs bank %1 after it was told to run bank %2")
                                      .arg(running)
                                      .arg(outcome.bank));
        return outcome;
    }
    if (Fault failed = emulator.Finish(); failed.failed()) {
        outcome.fault = failed;
        return outcome;
    }
    outcome.end = UploadOutcome::End::Emulated;
    return outcome;
}

QString BankState(const DeviceKind& kind, const UploadOutcome& outcome) {
    const int bank = outcome.bank;
    if (!kind.writesWhileRunning) {
        switch (outcome.end) {
            case UploadOutcome::End::Emulated:
                return QStringLiteral(
                           "The control unit was held in reset while the emulator was written, and runs the image "
                           "now%1.")
                    .arg(outcome.readBack ? QString()
                                          : QStringLiteral(" (not read back: this emulator cannot read its memory "
                                                           "back)"));
            case UploadOutcome::End::Differs:
            case UploadOutcome::End::Failed:
                if (bank < 0) return NothingWritten();
                return QStringLiteral(
                           "The emulator holds what was written before it stopped (%1 of %2 blocks) and may still "
                           "hold the control unit in reset: upload again.")
                    .arg(outcome.written)
                    .arg(outcome.total);
        }
    }
    const QString running = outcome.now >= 0
                                ? QStringLiteral("the engine runs bank %1%2")
                                      .arg(outcome.now)
                                      .arg(outcome.now == outcome.before ? QStringLiteral(", as before") : QString())
                                : QStringLiteral("which bank the engine runs is not known (emulator info asks)");
    switch (outcome.end) {
        case UploadOutcome::End::Emulated:
            if (bank == outcome.before)
                return QStringLiteral(
                           "Bank %1 is emulated and holds the image; it was written under the running "
                           "engine.")
                    .arg(bank);
            return QStringLiteral("The engine now runs bank %1 (it ran bank %2 before).").arg(bank).arg(outcome.before);
        case UploadOutcome::End::Differs:
            if (outcome.now == bank)
                return QStringLiteral("Bank %1 is emulated and holds the image that differs: the engine runs it.")
                    .arg(bank);
            return QStringLiteral("Bank %1 holds the image that differs and is not emulated; %2.")
                .arg(bank)
                .arg(running);
        case UploadOutcome::End::Failed:
            break;
    }
    if (bank < 0 || (outcome.written == 0 && !outcome.wroteWhole))
        return QStringLiteral("Nothing was written; %1.").arg(running);
    const QString held = outcome.wroteWhole
                             ? outcome.readBack ? QStringLiteral("holds the image, read back the same")
                                                : QStringLiteral("holds the image, not read back")
                             : QStringLiteral("%1 of %2 blocks written").arg(outcome.written).arg(outcome.total);
    if (outcome.now == bank) {
        return QStringLiteral("Bank %1: %2, emulated: the engine runs %3.")
            .arg(bank)
            .arg(held, outcome.wroteWhole ? QStringLiteral("it") : QStringLiteral("a partly written image"));
    }
    if (outcome.now < 0) return QStringLiteral("Bank %1: %2; %3.").arg(bank).arg(held, running);
    return QStringLiteral("Bank %1: %2, not emulated; %3.").arg(bank).arg(held, running);
}

}  // namespace tarvik::devices
