// SPDX-License-Identifier: GPL-3.0-or-later
// Number conversions and display patterns: the texts come from files and the data server, the
// patterns from the program, the values from both.
#include "FuzzInput.h"
#include "common/NumberFormat.h"
#include "common/NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

bool Near(double a, double b, double relative, double absolute) {
    // Both allowances together: a rounding step plus the spacing of large doubles.
    return std::fabs(a - b) <= absolute + relative * std::max(std::fabs(a), std::fabs(b));
}

void CheckValue(double value, const QString& pattern) {
    // Any pattern, any value: no crash, no runaway text.
    const QString shown = FormatNumber(value, pattern);
    FUZZ_CHECK(shown.size() <= pattern.size() + 400);

    if (!std::isfinite(value))
        return;
    // The log's number text reads back as the value to 15 significant digits.
    if (std::fabs(value) < 1e307) {
        const QString log = LogNumberText(value);
        FUZZ_CHECK(!log.isEmpty() && (log[0] == u' ' || log[0] == u'-'));
        FUZZ_CHECK(Near(LeadingNumber(log), value, 1e-14, 1e-300));
        FUZZ_CHECK(StrictNumber(log).has_value());
    }
    // The program's own patterns round to their decimals, half away from zero.
    if (std::fabs(value) < 1e12) {
        struct Known {
            const char* pattern;
            double step;
        };
        static const Known known[] = {{"###0.00", 0.01}, {"0.000", 0.001}, {" #0.000", 0.001},
                                      {"000.0", 0.1},    {"#0", 1},        {"####0.0", 0.1}};
        for (const Known& k : known) {
            // A literal blank stays where the pattern has it, the sign after it: " -5.000".
            const QString text = FormatNumber(value, QString::fromLatin1(k.pattern)).remove(u' ');
            const auto back = StrictNumber(text);
            FUZZ_CHECK(back.has_value());
            if (!Near(*back, value, 4e-16, k.step / 2))
                std::fprintf(stderr, "%.17g with \"%s\" gave \"%s\"\n", value, k.pattern, qPrintable(text));
            FUZZ_CHECK(Near(*back, value, 4e-16, k.step / 2));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const QString text = input.Text();
    const QString pattern = input.Text();

    // The leading number never fails and is always a finite number.
    const double leading = LeadingNumber(text);
    FUZZ_CHECK(std::isfinite(leading));
    // A text that is wholly a number is that same leading number.
    if (const auto strict = StrictNumber(text)) {
        FUZZ_CHECK(std::isfinite(*strict));
        FUZZ_CHECK(*strict == leading);
    }
    CheckValue(leading, pattern);

    // Raw doubles too, infinities and NaN included, which no text gives.
    const QByteArray raw = input.Rest();
    for (qsizetype at = 0; at + 8 <= raw.size(); at += 8) {
        double value;
        std::memcpy(&value, raw.constData() + at, sizeof value);
        CheckValue(value, pattern);
    }
    return 0;
}
