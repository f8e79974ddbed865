#pragma once

#include <QString>

// What a request path asks of the web form. Only these exact forms are known,
// each under the class code: "/f/<code>/" (the page), "fields", "regions",
// "regions/<province code>", "submit", "state/<receipt>". Anything else, an
// encoded or a dot segment included, is no route. Pure; any thread.
struct WebFormRoute
{
    enum class Kind { None, Page, Fields, Regions, Submit, State };

    Kind kind = Kind::None;
    QString code;     // the class code as given (checked by the server)
    QString argument; // the province code or the receipt

    // path: the URL's path as sent, still percent-encoded.
    static WebFormRoute of(const QString &path);
};
