#include "tools/report/ReportJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <algorithm>

namespace {

// Carries the first error out of the nested readers.
struct TBadReport {
    std::string Message;
};

std::string Quoted(const QString& Key) {
    return '"' + Key.toStdString() + '"';
}

const char* TypeName(const QJsonValue& V) {
    switch (V.type()) {
    case QJsonValue::Null:
        return "null";
    case QJsonValue::Bool:
        return "a boolean";
    case QJsonValue::Double:
        return "a number";
    case QJsonValue::String:
        return "a string";
    case QJsonValue::Array:
        return "an array";
    case QJsonValue::Object:
        return "an object";
    case QJsonValue::Undefined:
        break;
    }
    return "missing";
}

QJsonValue Need(const QJsonObject& O, const QString& Key, QJsonValue::Type Type,
                const std::string& Where, const char* Wanted) {
    const QJsonValue v = O.value(Key);
    if (v.type() != Type) {
        const std::string name = Where + Quoted(Key);
        if (v.isUndefined()) throw TBadReport{name + " is missing"};
        throw TBadReport{name + " must be " + Wanted + ", not " + TypeName(v)};
    }
    return v;
}

std::string String(const QJsonObject& O, const QString& Key, const std::string& Where = {}) {
    return Need(O, Key, QJsonValue::String, Where, "a string").toString().toStdString();
}

double Distance(const QJsonValue& V, const std::string& Name) {
    if (V.isUndefined()) throw TBadReport{Name + " is missing"};
    if (!V.isDouble()) throw TBadReport{Name + " must be a number, not " + TypeName(V)};
    if (V.toDouble() < 0) throw TBadReport{Name + " must not be negative"};
    return V.toDouble();
}

TVerdict Verdict(const QString& S, const std::string& Name) {
    for (TVerdict v : {TVerdict::Waiting, TVerdict::OK, TVerdict::Check, TVerdict::Fault})
        if (S.toStdString() == VerdictText(v)) return v;
    throw TBadReport{Name + ": \"" + S.toStdString() +
                     "\" is not one of waiting, OK, check, fault"};
}

// Line and column of a byte offset, for a parse error a person can find.
std::string Position(const QByteArray& Json, qsizetype Offset) {
    Offset = std::clamp<qsizetype>(Offset, 0, Json.size());
    int line = 1, column = 1;
    for (qsizetype i = 0; i < Offset; ++i) {
        if (Json[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

TInstallReport Read(const QByteArray& Json) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(Json, &error);
    if (error.error != QJsonParseError::NoError)
        throw TBadReport{"not JSON: " + error.errorString().toStdString() + " at " +
                         Position(Json, error.offset)};
    if (!doc.isObject()) throw TBadReport{"not a report: the JSON is not an object"};
    const QJsonObject o = doc.object();

    TInstallReport r;
    r.Tool = String(o, "tool");
    r.UtcTime = String(o, "utc_time");
    r.LocalTime = String(o, "local_time");
    r.Port = String(o, "port");
    r.ListenedSeconds = Distance(Need(o, "listened_seconds", QJsonValue::Double, {}, "a number"),
                                 Quoted("listened_seconds"));

    const QJsonArray rows = Need(o, "config_rows", QJsonValue::Array, {}, "an array").toArray();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const std::string name = Quoted("config_rows") + '[' + std::to_string(i) + ']';
        const QJsonArray pair = rows[i].toArray();
        if (!rows[i].isArray() || pair.size() != 2 || !pair[0].isString() || !pair[1].isString())
            throw TBadReport{name + " must be a pair of strings [label, value]"};
        r.Config.emplace_back(pair[0].toString().toStdString(), pair[1].toString().toStdString());
    }

    const QJsonArray checks = Need(o, "checks", QJsonValue::Array, {}, "an array").toArray();
    for (qsizetype i = 0; i < checks.size(); ++i) {
        const std::string name = Quoted("checks") + '[' + std::to_string(i) + ']';
        if (!checks[i].isObject()) throw TBadReport{name + " must be an object"};
        const QJsonObject c = checks[i].toObject();
        TCheck check;
        if (c.contains("id")) check.Id = String(c, "id", name + '.');
        check.Title = String(c, "title", name + '.');
        check.Verdict =
            Verdict(Need(c, "verdict", QJsonValue::String, name + '.', "a string").toString(),
                    name + '.' + Quoted("verdict"));
        check.Figures = String(c, "figures", name + '.');
        check.Advice = String(c, "advice", name + '.');
        r.Checks.push_back(std::move(check));
    }

    const QJsonObject cov = Need(o, "coverage", QJsonValue::Object, {}, "an object").toObject();
    const std::string where = Quoted("coverage") + '.';
    const QJsonArray sectors =
        Need(cov, "sectors_nm", QJsonValue::Array, where, "an array").toArray();
    if (sectors.size() != static_cast<qsizetype>(r.Coverage.FarthestNm.size()))
        throw TBadReport{where + Quoted("sectors_nm") + " must have 36 numbers, not " +
                         std::to_string(sectors.size())};
    for (qsizetype i = 0; i < sectors.size(); ++i)
        r.Coverage.FarthestNm[static_cast<std::size_t>(i)] =
            Distance(sectors[i], where + Quoted("sectors_nm") + '[' + std::to_string(i) + ']');
    r.Coverage.FarthestA = Distance(cov.value("farthest_a_nm"), where + Quoted("farthest_a_nm"));
    r.Coverage.FarthestB = Distance(cov.value("farthest_b_nm"), where + Quoted("farthest_b_nm"));
    return r;
}

} // namespace

bool ReportFromJson(const QByteArray& Json, TInstallReport& R, std::string& Error) {
    try {
        R = Read(Json);
        return true;
    } catch (const TBadReport& e) {
        Error = e.Message;
        return false;
    }
}
