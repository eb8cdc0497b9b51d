// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A property every input must keep. A broken one aborts, so libFuzzer keeps the input as a crash
// and the corpus replay fails loudly.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);         \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

// Cuts one fuzz input into a few control bytes and texts. Texts are separated by the byte 0x1F, so a
// corpus file can be written by hand with printf.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // The next byte, 0 once the input is used up.
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }

    // Raw bytes up to the next separator (or the end).
    QByteArray Bytes() {
        const std::size_t start = pos_;
        while (pos_ < size_ && data_[pos_] != Separator)
            ++pos_;
        QByteArray part(reinterpret_cast<const char*>(data_ + start), static_cast<qsizetype>(pos_ - start));
        if (pos_ < size_)
            ++pos_;
        return part;
    }
    // The same, read as UTF-8.
    QString Text() { return QString::fromUtf8(Bytes()); }

    // Everything not yet taken.
    QByteArray Rest() {
        QByteArray rest(reinterpret_cast<const char*>(data_ + pos_), static_cast<qsizetype>(size_ - pos_));
        pos_ = size_;
        return rest;
    }
    bool AtEnd() const { return pos_ >= size_; }

    static constexpr std::uint8_t Separator = 0x1F;

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
