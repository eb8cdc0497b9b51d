// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/PortError.h"
#include "common/StatusLine.h"

#include <exception>

// A board error travelling from a routine that does not handle it to the one that does (the
// measurement shows it with "3.", the automatic follow-up with "4."). Only board reads raise it;
// relay writes handle their own errors.
class BoardFailure : public std::exception {
  public:
    explicit BoardFailure(PortError error) : error_(std::move(error)) {}
    const PortError& error() const { return error_; }
    const char* what() const noexcept override { return "board failure"; }

  private:
    PortError error_;
};

// The status line for an error a routine caught: "<prefix>発生したエラーの番号は <n>" on the left,
// "エラーメッセージは <text>" on the right; an error numbered 0 shows nothing.
inline void ShowRoutineError(StatusLine& status, const QString& prefix, const PortError& error) {
    if (error.number == 0)
        return;
    status.SetLeft(prefix + QStringLiteral("発生したエラーの番号は ") + QString::number(error.number));
    status.SetRight(QStringLiteral("エラーメッセージは ") + error.description);
}
