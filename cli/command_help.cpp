#include "command_help.h"

#include <QStringList>

namespace CommandHelp {

namespace {

using namespace CommandCatalog;

// A usage line wraps before this many columns; descriptions stand indented
// under their usage line.
constexpr int kLineWidth = 96;
const QString kIndent(6, QLatin1Char(' '));
constexpr int kOptionColumn = 26;

// Columns on a terminal: Chinese characters take two.
qsizetype displayWidth(const QString &text)
{
    qsizetype width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x1100 ? 2 : 1;
    return width;
}

QString wrapped(const QStringList &words, const QString &continuation)
{
    QString text;
    qsizetype lineStart = 0;
    for (const QString &word : words) {
        if (!text.isEmpty() && displayWidth(text.mid(lineStart)) + 1 + displayWidth(word) > kLineWidth) {
            text += QLatin1Char('\n');
            lineStart = text.size();
            text += continuation + word;
        } else {
            text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
    }
    return text;
}

QString commandBlock(const CommandInfo &command, const QString &checkNames)
{
    QString text = QStringLiteral("  ") + synopsis(command) + QLatin1Char('\n') + kIndent + command.summary
                   + QLatin1Char('\n');
    if (command.command == Command::Check)
        text += kIndent + QStringLiteral("检查名: ") + checkNames + QLatin1Char('\n');
    return text;
}

QString optionLine(const OptionInfo &option)
{
    const QString usage = QStringLiteral("  ") + optionUsage(option);
    const QString gap(qMax<qsizetype>(1, kOptionColumn - displayWidth(usage)), QLatin1Char(' '));
    return usage + gap + option.usage + QLatin1Char('\n');
}

} // namespace

QString synopsis(const CommandInfo &command)
{
    QStringList words{QStringLiteral("tavro"), command.word};
    if (!command.operand.isEmpty())
        words << command.operand;
    for (const OptionInfo *option : optionsOf(command.command)) {
        const QString usage = optionUsage(*option);
        words << (option->requiredBy.contains(command.command) ? usage : QLatin1Char('[') + usage + QLatin1Char(']'));
    }
    return wrapped(words, QStringLiteral("          "));
}

QString full(const QString &checkNames, const QString &programFolder)
{
    QString text = QStringLiteral("用法:\n"
                                  "  tavro [%1]\n"
                                  "%3打开录入窗口（%1：使用本地数据库文件 tavro.db）\n"
                                  "  tavro %1 %2\n"
                                  "%3同上，数据库文件 tavro.db 放在用户的“文档”文件夹中\n")
                       .arg(QLatin1String(kAccessSwitch), QLatin1String(kDocumentsSwitch), kIndent);
    for (const CommandInfo &command : commands())
        text += commandBlock(command, checkNames);
    text += QStringLiteral("  tavro --help\n%1显示本说明；tavro <命令> --help 只显示这个命令的用法\n").arg(kIndent);
    text += QStringLiteral("选项（每个命令只接受上面列出的选项）:\n");
    for (const OptionInfo &option : options())
        text += optionLine(option);
    text += QStringLiteral("程序文件夹（config.ini、Template.xlsx、check.txt、debug.txt、导出）: %1\n").arg(programFolder);
    return text;
}

QString ofCommand(const CommandInfo &command, const QString &checkNames)
{
    QString text = QStringLiteral("用法:\n") + commandBlock(command, checkNames);
    const QList<const OptionInfo *> list = optionsOf(command.command);
    if (!list.isEmpty()) {
        text += QStringLiteral("选项:\n");
        for (const OptionInfo *option : list)
            text += optionLine(*option);
    }
    return text;
}

} // namespace CommandHelp
