// The simulated instrument's protocol peer: answers commands, sends reports chunk by chunk, obeys the fault
// plan.
#include "sim/instrument.h"

#include <algorithm>
#include <cstring>

#include "download/protocol.h"

SimInstrument::SimInstrument() = default;

void SimInstrument::Advance(std::uint32_t tick) {
    if (seenTick_) {
        nowMicros_ += static_cast<std::uint64_t>(static_cast<std::uint32_t>(tick - lastTick_)) * 1000;
    }
    seenTick_ = true;
    lastTick_ = tick;
}

void SimInstrument::Queue(const void* bytes, std::size_t length) {
    const auto* source = static_cast<const std::uint8_t*>(bytes);
    std::uint64_t interval = bytesPerSecond_ == 0 ? 0 : 1000000 / bytesPerSecond_;
    for (std::size_t i = 0; i < length; ++i, ++sent_) {
        if (sent_ >= faults_.silentFromByte) {
            continue;
        }
        std::uint64_t ready = std::max(nowMicros_, lastReadyMicros_) + interval;
        if (sent_ == faults_.pauseBeforeByte) {
            ready += static_cast<std::uint64_t>(faults_.pauseMs) * 1000;
        }
        lastReadyMicros_ = ready;
        outbound_.push_back({source[i], ready});
    }
}

void SimInstrument::Receive(const std::uint8_t* bytes, std::size_t length, std::uint32_t tick) {
    Advance(tick);
    for (std::size_t i = 0; i < length; ++i) {
        std::uint8_t byte = bytes[i];
        hostBytes_.push_back(byte);
        if (state_ == State::Report) {
            OnReportByte(byte);
            continue;
        }
        command_.push_back(static_cast<char>(byte));
        if (byte == '\r') {
            OnCommand();
            command_.clear();
        } else if (command_.size() >= COMMAND_LENGTH) {  // a command may follow stray bytes: keep four
            command_.erase(0, 1);
        }
    }
}

void SimInstrument::OnCommand() {
    if (command_ == CMD_GET_INFO) {
        std::uint8_t block[INFO_BLOCK_SIZE] = {};
        const char model[] = "ZT914 ELECTRICAL SAFETY ANALYZER  SN 0419-2231  FW 3.07";
        std::memcpy(block, model, sizeof model - 1);
        std::size_t count =
            faults_.announcedCount >= 0 ? static_cast<std::size_t>(faults_.announcedCount) : reports_.size();
        block[REPORT_COUNT_OFFSET] = static_cast<std::uint8_t>(count & 0xFF);
        block[REPORT_COUNT_OFFSET + 1] = static_cast<std::uint8_t>((count >> 8) & 0xFF);
        block[262] = 0x01;
        block[263] = 0x07;
        std::size_t size = faults_.infoBlockSize;
        Queue(block, std::min<std::size_t>(size, INFO_BLOCK_SIZE));
        for (std::size_t extra = INFO_BLOCK_SIZE; extra < size; ++extra) {
            Queue("~", 1);
        }
    } else if (command_ == CMD_DOWNLOAD) {
        reportIndex_ = 0;
        if (!reports_.empty()) {
            StartReport();
        }
    } else if (command_ == CMD_ERASE) {
        Queue(faults_.eraseReply.data(), faults_.eraseReply.size());
        if (!faults_.eraseReply.empty() && faults_.eraseReply[0] == ERASE_ACK) {
            erased_ = true;
            reports_.clear();
        }
    }
}

void SimInstrument::StartReport() {
    const SimReport& report = reports_[reportIndex_];
    Queue(faults_.junkBeforeStart.data(), faults_.junkBeforeStart.size());
    const std::uint8_t start = REPORT_START;
    const std::uint8_t zero = CHUNK_END;
    Queue(&start, 1);
    Queue(report.name.data(), report.name.size());
    Queue(&zero, 1);
    textOffset_ = 0;
    state_ = State::Report;
}

void SimInstrument::OnReportByte(std::uint8_t byte) {
    if (byte == ABORT_BYTE) {
        aborted_ = true;
        state_ = State::Command;
        return;
    }
    if (byte != NEXT_CHUNK) {
        return;
    }
    const SimReport& report = reports_[reportIndex_];
    if (textOffset_ < report.text.size()) {
        std::size_t length = std::min(chunkSize_, report.text.size() - textOffset_);
        const std::uint8_t zero = CHUNK_END;
        Queue(report.text.data() + textOffset_, length);
        Queue(&zero, 1);
        textOffset_ += length;
        return;
    }
    // Everything of this report is out: this NEXT_CHUNK acknowledges it.
    ++reportIndex_;
    if (reportIndex_ < reports_.size()) {
        StartReport();
    } else {
        state_ = State::Command;
    }
}

std::size_t SimInstrument::Available(std::uint32_t tick) {
    Advance(tick);
    // Bytes are queued in the order they become ready, so the ready ones are the front of the queue; the host
    // asks before every byte it reads, so this must not walk a long queue.
    auto firstNotReady =
        std::partition_point(outbound_.begin(), outbound_.end(),
                             [this](const Pending& pending) { return pending.readyMicros <= nowMicros_; });
    return static_cast<std::size_t>(firstNotReady - outbound_.begin());
}

std::size_t SimInstrument::Take(std::uint8_t* destination, std::size_t length, std::uint32_t tick) {
    std::size_t count = std::min(length, Available(tick));
    if (taken_ + count > faults_.failAtByte) {  // the cable comes out after the last byte before the fault
        count = static_cast<std::size_t>(faults_.failAtByte - taken_);
    }
    for (std::size_t i = 0; i < count; ++i) {
        destination[i] = outbound_.front().byte;
        outbound_.pop_front();
    }
    taken_ += count;
    return count;
}

bool SimInstrument::MillisecondsUntil(std::size_t wanted, std::uint32_t tick, std::uint32_t* milliseconds) {
    Advance(tick);
    if (wanted == 0) {
        *milliseconds = 0;
        return true;
    }
    if (outbound_.size() < wanted) {
        return false;
    }
    std::uint64_t ready = outbound_[wanted - 1].readyMicros;
    std::uint64_t waitMicros = ready > nowMicros_ ? ready - nowMicros_ : 0;
    *milliseconds = static_cast<std::uint32_t>((waitMicros + 999) / 1000);
    return true;
}
