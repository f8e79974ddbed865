#pragma once

#include <QHash>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QStringList>

#include "platform/app_error.h"
#include "webform/web_form_backend.h"

// A web form backend that keeps submissions in memory: two fields, 姓名
// (required) and 性别 (a list), one province with one city and county. It
// records what reached it, so a test can tell a refused request from one
// that got through.
class FakeWebFormBackend final : public WebFormBackend
{
public:
    QJsonObject fields() override
    {
        ++calls;
        const QJsonArray items{QJsonObject{{"code", "1"}, {"text", "1-男"}}, QJsonObject{{"code", "2"}, {"text", "2-女"}}};
        return QJsonObject{{"fields", QJsonArray{QJsonObject{{"name", "姓名"}, {"label", "姓名"}, {"kind", "text"},
                                                              {"required", true}, {"maxLength", 20}},
                                                  QJsonObject{{"name", "性别"}, {"label", "性别"}, {"kind", "list"},
                                                              {"required", true}, {"items", items}}}}};
    }

    std::optional<QJsonObject> regions(const QString &province) override
    {
        ++calls;
        if (province.isEmpty())
            return QJsonObject{{"provinces", QJsonArray{QJsonObject{{"code", 440000}, {"name", "广东省"}}}}};
        if (province != QLatin1String("440000"))
            return std::nullopt;
        return QJsonObject{{"code", 440000}, {"name", "广东省"},
                           {"cities", QJsonArray{QJsonObject{{"code", 440600}, {"name", "佛山市"},
                                                             {"counties", QJsonArray{QJsonObject{{"code", 440606}, {"name", "顺德区"}}}}}}}};
    }

    Outcome submit(const QJsonObject &fields, const QString &address) override
    {
        ++calls;
        if (failing)
            throw DatabaseError(QStringLiteral("database is locked"));
        addresses << address;
        if (fields.value("姓名").toString().trimmed().isEmpty())
            return {QString(), QJsonObject{{"accepted", false}, {"verdicts", QJsonObject{{"姓名", QJsonArray{"请填写姓名"}}}}}};
        QString receipt;
        for (int i = 0; i < 22; ++i)
            receipt += QLatin1Char("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"[QRandomGenerator::global()->bounded(64)]);
        names.insert(receipt, fields.value("姓名").toString());
        return {receipt, QJsonObject{{"accepted", true}}};
    }

    std::optional<QJsonObject> state(const QString &receipt) override
    {
        ++calls;
        if (!names.contains(receipt))
            return std::nullopt;
        return QJsonObject{{"state", "待审核"}, {"note", ""}, {"fields", QJsonObject{{"姓名", names.value(receipt)}}}};
    }

    QHash<QString, QString> names; // receipt -> the name sent
    QStringList addresses;
    int calls = 0;
    bool failing = false;
};
