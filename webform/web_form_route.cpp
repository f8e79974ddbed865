#include "web_form_route.h"

#include <QRegularExpression>

WebFormRoute WebFormRoute::of(const QString &path)
{
    // Letters and digits only in every part: no dots, percents or blanks
    // can reach a comparison, let alone a file or a query.
    static const QRegularExpression form(QStringLiteral(
        "^/f/([A-Za-z0-9]{1,64})/(?:(fields|regions|submit)|(regions|state)/([A-Za-z0-9_-]{1,64}))?$"));
    const QRegularExpressionMatch match = form.match(path);
    WebFormRoute route;
    if (!match.hasMatch())
        return route;
    route.code = match.captured(1);
    const QString plain = match.captured(2);
    const QString withArgument = match.captured(3);
    route.argument = match.captured(4);
    if (plain.isEmpty() && withArgument.isEmpty())
        route.kind = Kind::Page;
    else if (plain == QLatin1String("fields"))
        route.kind = Kind::Fields;
    else if (plain == QLatin1String("regions"))
        route.kind = Kind::Regions;
    else if (plain == QLatin1String("submit"))
        route.kind = Kind::Submit;
    else if (withArgument == QLatin1String("regions"))
        route.kind = route.argument.contains(QRegularExpression(QStringLiteral("^[0-9]{6}$"))) ? Kind::Regions : Kind::None;
    else
        route.kind = Kind::State;
    return route;
}
