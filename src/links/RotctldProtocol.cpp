// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/RotctldProtocol.h"

#include "links/RemoteTarget.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

enum class Command { GetPos, SetPos, Stop, Park, Move, GetInfo, DumpState, Quit, Unknown };

struct CommandName {
    char shortName; // 0: long name only
    const char* longName;
    Command command;
};

constexpr CommandName Commands[] = {
    {'p', "get_pos", Command::GetPos},     {'P', "set_pos", Command::SetPos},
    {'S', "stop", Command::Stop},          {'K', "park", Command::Park},
    {'M', "move", Command::Move},          {'_', "get_info", Command::GetInfo},
    {0, "dump_state", Command::DumpState}, {'q', "quit", Command::Quit},
    {'Q', "quit", Command::Quit},
};

const CommandName* Find(const QByteArray& name, bool longForm) {
    for (const CommandName& c : Commands) {
        if (longForm ? name == c.longName : (name.size() == 1 && name[0] == c.shortName && c.shortName != 0))
            return &c;
    }
    return nullptr;
}

QByteArray Fixed2(double v) {
    QByteArray text = QByteArray::number(v, 'f', 2);
    return text == "-0.00" ? QByteArray("0.00") : text;
}

QByteArray Fixed6(double v) {
    return QByteArray::number(v, 'f', 6);
}

// Collects the answer lines of one command in either response form.
class Answer {
  public:
    Answer(bool extended, char separator) : extended_(extended), separator_(separator) {}

    void Header(const char* longName, const QByteArray& arguments) {
        if (!extended_)
            return;
        text_ += longName;
        text_ += ':';
        if (!arguments.isEmpty())
            text_ += ' ' + arguments;
        text_ += separator_;
    }
    // A value line: "Key: value" in the extended form, the bare value otherwise.
    void Value(const char* key, const QByteArray& value) {
        if (extended_ && key)
            text_ += QByteArray(key) + ": ";
        text_ += value;
        text_ += extended_ ? separator_ : '\n';
    }
    // Set commands always end with RPRT; get commands only in the extended form or on failure.
    QByteArray Finish(int error, bool isGet) {
        if (extended_ || !isGet || error != HamlibError::Ok)
            text_ += "RPRT " + QByteArray::number(-error) + '\n';
        if (extended_ && !text_.endsWith('\n'))
            text_ += '\n';
        return text_;
    }

  private:
    bool extended_;
    char separator_;
    QByteArray text_;
};

} // namespace

RotctldProtocol::RotctldProtocol(RotctldStation& station, RemoteTarget* target)
    : station_(station), target_(target) {}

bool RotctldProtocol::IsGarbage(const QByteArray& line) {
    for (char ch : line) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c >= 0x7f)
            return true;
    }
    return false;
}

std::optional<double> RotctldProtocol::ParseAngle(QByteArray token) {
    // gpredict under a locale with a decimal comma sends "174,46".
    if (token.count(',') == 1 && !token.contains('.'))
        token.replace(',', '.');
    const std::string text = token.toStdString();
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

RotctldProtocol::Reply RotctldProtocol::Handle(QByteArray line) {
    if (IsGarbage(line))
        return {QByteArray(), true};
    line = line.trimmed();
    if (line.isEmpty())
        return {};

    bool extended = false;
    char separator = '\n';
    if (line[0] == '+' || line[0] == ';' || line[0] == '|' || line[0] == ',') {
        extended = true;
        separator = line[0] == '+' ? '\n' : line[0];
        line = line.mid(1).trimmed();
    }

    QByteArray name;
    QByteArray rest;
    if (line.startsWith('\\')) {
        const qsizetype space = line.indexOf(' ');
        const qsizetype tab = line.indexOf('\t');
        qsizetype cut = space < 0 ? tab : (tab < 0 ? space : std::min(space, tab));
        if (cut < 0)
            cut = line.size();
        name = line.mid(1, cut - 1);
        rest = line.mid(cut).trimmed();
    } else {
        name = line.left(1);
        rest = line.mid(1).trimmed();
    }
    const CommandName* found = Find(name, line.startsWith('\\'));
    if (!found)
        return {"RPRT -" + QByteArray::number(HamlibError::InvalidArgument) + '\n'};

    // Only the commands with arguments pay for splitting them.
    std::vector<QByteArray> arguments;
    QByteArray echoed;
    if (!rest.isEmpty()) {
        for (const QByteArray& part : rest.simplified().split(' ')) {
            if (!part.isEmpty())
                arguments.push_back(part);
        }
        echoed = rest.simplified();
    }

    Answer answer(extended, separator);
    switch (found->command) {
    case Command::Quit:
        return {QByteArray(), true};
    case Command::GetPos: {
        answer.Header(found->longName, QByteArray());
        const AntennaDirection d = station_.PresentDirection();
        answer.Value("Azimuth", Fixed2(d.azimuth));
        answer.Value("Elevation", Fixed2(d.elevation));
        return {answer.Finish(HamlibError::Ok, true)};
    }
    case Command::GetInfo:
        answer.Header(found->longName, QByteArray());
        answer.Value("Info", station_.Info().toUtf8());
        return {answer.Finish(HamlibError::Ok, true)};
    case Command::DumpState: {
        answer.Header(found->longName, QByteArray());
        const AntennaLimits r = station_.OperatingRange();
        if (extended) {
            answer.Value("rotctld Protocol Ver", QByteArray::number(ProtocolVersion));
            answer.Value("Rotor Model", QByteArray::number(ModelNumber));
            answer.Value("Minimum Azimuth", Fixed6(r.minAzimuth));
            answer.Value("Maximum Azimuth", Fixed6(r.maxAzimuth));
            answer.Value("Minimum Elevation", Fixed6(r.minElevation));
            answer.Value("Maximum Elevation", Fixed6(r.maxElevation));
            answer.Value("South Zero", "0");
        } else {
            answer.Value(nullptr, QByteArray::number(ProtocolVersion));
            answer.Value(nullptr, QByteArray::number(ModelNumber));
            answer.Value(nullptr, "min_az=" + Fixed6(r.minAzimuth));
            answer.Value(nullptr, "max_az=" + Fixed6(r.maxAzimuth));
            answer.Value(nullptr, "min_el=" + Fixed6(r.minElevation));
            answer.Value(nullptr, "max_el=" + Fixed6(r.maxElevation));
            answer.Value(nullptr, "south_zero=0");
        }
        answer.Value(nullptr, "rot_type=AzEl");
        answer.Value(nullptr, "done");
        return {answer.Finish(HamlibError::Ok, true)};
    }
    case Command::SetPos: {
        answer.Header(found->longName, echoed);
        std::optional<double> azimuth, elevation;
        if (arguments.size() >= 2) {
            azimuth = ParseAngle(arguments[0]);
            elevation = ParseAngle(arguments[1]);
        }
        int error = HamlibError::Ok;
        if (!azimuth || !elevation || *azimuth < -180 || *azimuth > 450 || *elevation < 0 || *elevation > 90)
            error = HamlibError::InvalidArgument;
        else if (!target_)
            error = HamlibError::NotAvailable;
        else
            target_->Set(*azimuth, *elevation);
        return {answer.Finish(error, false)};
    }
    case Command::Stop:
        answer.Header(found->longName, QByteArray());
        return {answer.Finish(station_.Stop(), false)};
    case Command::Park:
    case Command::Move:
        answer.Header(found->longName, echoed);
        return {answer.Finish(HamlibError::NotImplemented, false)};
    case Command::Unknown:
        break;
    }
    return {"RPRT -" + QByteArray::number(HamlibError::InvalidArgument) + '\n'};
}
