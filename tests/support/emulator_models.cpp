// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/emulator_models.h"

#include <numeric>

namespace tarvik::testing {

namespace {

[[nodiscard]] char Sum(QByteArrayView bytes) {
    return static_cast<char>(std::accumulate(bytes.begin(), bytes.end(), 0u,
                                             [](unsigned s, char c) { return s + static_cast<std::uint8_t>(c); }) &
                             0xFFu);
}

}  // namespace

OstrichModel::OstrichModel() {
    for (QByteArray& bank : banks) bank = QByteArray(65536, '\xFF');
}

qsizetype OstrichModel::Length() const {
    if (buffer_.isEmpty()) return 0;
    qsizetype length = 1;
    switch (buffer_[0]) {
        case 'V':
            length = 2;
            break;
        case 'N':
            length = 3;
            break;
        case 'B':
            length = 4;
            break;
        case 'R':
            length = 5;
            break;
        case 'W':
            if (buffer_.size() < 2) return 0;
            length = 5 + (buffer_[1] == 0 ? 256 : static_cast<std::uint8_t>(buffer_[1]));
            break;
        default:
            break;
    }
    return buffer_.size() >= length ? length : 0;
}

QByteArray OstrichModel::Take(QByteArrayView bytes) {
    buffer_ += bytes;
    QByteArray answers;
    for (qsizetype length = Length(); length > 0; length = Length()) {
        const char request = buffer_[0];
        answers += Answer(QByteArrayView(buffer_).first(length));
        buffer_.remove(0, length);
        if (after) after(request);
    }
    return answers;
}

QByteArray OstrichModel::Answer(QByteArrayView c) {
    const qsizetype length = c.size();
    const bool summed = length > 2 || c[0] == 'N';
    if (c[0] == 'V') return QByteArray("\x14\x07O", 3);  // model 20, revision 7
    if (refuseAll || (summed && Sum(c.first(length - 1)) != c[length - 1])) return "?";
    QByteArray& rw = banks[static_cast<std::size_t>(readWrite)];
    const auto count = [&] { return c[1] == 0 ? 256 : static_cast<std::uint8_t>(c[1]); };
    const auto address = [&] { return static_cast<std::uint8_t>(c[2]) << 8 | static_cast<std::uint8_t>(c[3]); };
    switch (c[0]) {
        case 'N': {
            QByteArray answer("\x4D\x01\x02\x03\x04\x05\x06\x07\x08", 9);
            return answer + Sum(answer);
        }
        case 'B':
            if (c[2] == 'R') return QByteArray(1, static_cast<char>(c[1] == 'R' ? readWrite : emulated));
            if (c[2] > 7 || (c[1] == 'E' && refuseEmulate)) return "?";
            (c[1] == 'R' ? readWrite : emulated) = c[2];
            return "O";
        case 'W': {
            if (refuseWrite == writes + 1) {
                refuseWrite = 0;
                return "?";
            }
            for (int i = 0; i < count(); ++i) rw[(address() + i) & 0xFFFF] = c[4 + i];
            ++writes;
            if (written) written(readWrite, address(), c.sliced(4, count()));
            return "O";
        }
        case 'R': {
            QByteArray answer;
            for (int i = 0; i < count(); ++i) {
                const int at = (address() + i) & 0xFFFF;
                const bool flip = readWrite == flipBank && at == flipAddress && flipTimes != 0;
                if (flip && flipTimes > 0) --flipTimes;
                answer += static_cast<char>(rw[at] ^ (flip ? 1 : 0));
            }
            return answer + static_cast<char>(Sum(answer) + (wrongChecksum ? 1 : 0));
        }
        default:
            return "?";
    }
}

EmuNgModel::EmuNgModel() : memory(65536, '\xFF') {}

QByteArray EmuNgModel::Opened() {
    ++resets;
    return "EPROM EMU NG\r\nFW: 2.0rc12\r\nReady\r\n";
}

QByteArray EmuNgModel::Take(QByteArrayView bytes) {
    buffer_ += bytes;
    QByteArray answers;
    for (;;) {
        if (mode_ == Mode::Data) {
            if (buffer_.size() < count_) break;
            if (running) ++writesWhileRunning;
            memory.replace(start_, count_, buffer_.first(count_));
            buffer_.remove(0, count_);
            mode_ = Mode::Lines;
            answers += ">\r\n";
            continue;
        }
        const qsizetype end = buffer_.indexOf('\n');
        if (end < 0) break;
        QByteArray line = buffer_.left(end);
        buffer_.remove(0, end + 1);
        line.replace('\r', QByteArray());
        answers += Line(line);
    }
    return answers;
}

QByteArray EmuNgModel::Line(const QByteArray& line) {
    requests.push_back(line);
    switch (mode_) {
        case Mode::Start:
            start_ = line.toLongLong();
            mode_ = Mode::Count;
            return {};
        case Mode::Count:
            count_ = line.toLongLong();
            mode_ = Mode::Data;
            return {};
        default:
            break;
    }
    if (line.isEmpty()) return ">\r\n";
    if (line == ":>") return "<\r\n";
    if (line == ":EMUOFF") {
        running = false;
        bus = "27512";
        return "-> HW: v2.1, FW: 2.0rc12, SPI: 0, Auto: 0, Last EPROM: 27512, Reset: 1\r\n"
               "-> Bus set to 27512 EPROM Memory\r\n";
    }
    if (line == ":DIR") {
        mode_ = Mode::Start;
        return ">\r\n";
    }
    if (line == ":ini32") {
        bus = "2732";
        return "-> Bus set to 2732 EPROM Memory\r\n";
    }
    if (line == ":EMUON") {
        running = true;
        return "-> Emulator Running.\r\n";
    }
    return {};  // unknown requests get no answer at all
}

}  // namespace tarvik::testing
