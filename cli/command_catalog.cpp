#include "command_catalog.h"

namespace CommandCatalog {

namespace {

using C = Command;

const QList<C> kOpensDatabase = {C::Check,     C::Pad,           C::Merge,  C::Export,  C::ExportStudents,
                                 C::Import,    C::Remove,        C::Removed, C::BringBack, C::DeleteRemoved,
                                 C::Move,      C::History,       C::UndoImport, C::Find,
                                 C::Password,  C::Submissions,   C::Accept, C::Reject,
                                 C::Serve};

} // namespace

const QList<CommandInfo> &commands()
{
    static const QList<CommandInfo> list = {
        {C::Check, QStringLiteral("check"), QStringLiteral("<检查名>"),
         QStringLiteral("运行一项数据检查，结果写入 check.txt"),
         QStringLiteral("检查没有完成，没有写出 check.txt；解决下面的问题后可以再检查。")},
        {C::Pad, QStringLiteral("pad"), QString(), QStringLiteral("区划代码补足12位"),
         QStringLiteral("补足区划代码没有完成：出错之前已补足的表保持补足，其余的表没有改动；"
                        "解决下面的问题后再运行一次 tavro pad 即可补足剩下的。")},
        {C::Merge, QStringLiteral("merge"), QString(),
         QStringLiteral("把表合并为一个表（已有同名表时须加 --replace 才替换）"),
         QStringLiteral("合并没有完成，数据库没有任何改动（原有的合并表保持原样）；解决下面的问题后可以再合并。")},
        {C::Export, QStringLiteral("export"), QString(),
         QStringLiteral("把表导出为一个 xlsx 工作簿，每表一个工作表（默认为各表自己的列）"),
         QStringLiteral("导出没有完成，没有写出文件；解决下面的问题后可以再导出。")},
        {C::ExportStudents, QStringLiteral("export-students"), QString(),
         QStringLiteral("用 Template.xlsx 把一个表的全部学生导出为多人打印表"),
         QStringLiteral("导出没有完成，没有写出文件；解决下面的问题后可以再导出。")},
        {C::Import, QStringLiteral("import"), QString(),
         QStringLiteral("把 .xlsx/.xls/.ods/.csv 中的学生逐行检查后导入班级表"),
         QStringLiteral("导入没有完成，班级表中没有写入任何一行；解决下面的问题后可以重新导入。")},
        // Backups compose their own complete texts (what failed, what stayed).
        {C::Backup, QStringLiteral("backup"), QString(),
         QStringLiteral("备份本地数据库文件（默认存入数据库旁的“备份”文件夹）"), QString()},
        {C::Restore, QStringLiteral("restore"), QString(),
         QStringLiteral("检查备份后先备份现有的数据库文件，再用备份替换它"), QString()},
        {C::InitDb, QStringLiteral("init-db"), QString(),
         QStringLiteral("在 config.ini 所指的服务器数据库中建立模板表 Init2 和 Init1（已有其一时不作任何改动）"),
         QStringLiteral("没有建立模板表，数据库没有任何改动；解决下面的问题后可以再运行 tavro init-db。")},
        {C::Remove, QStringLiteral("remove"), QString(),
         QStringLiteral("把学生移出班级表，连同原因保存在已移出的记录中（可恢复）"),
         QStringLiteral("移出没有完成，没有移出任何学生；解决下面的问题后可以再移出。")},
        {C::Removed, QStringLiteral("removed"), QString(),
         QStringLiteral("列出已移出的记录：编号、班级、原编号、姓名、身份证件号、原因、时间、操作人"),
         QStringLiteral("没有读出已移出的记录；解决下面的问题后可以再查看。")},
        {C::BringBack, QStringLiteral("bring-back"), QString(),
         QStringLiteral("把已移出的记录恢复到原班级（原编号已被占用时取新编号）"),
         QStringLiteral("恢复没有完成，没有恢复任何记录；解决下面的问题后可以再恢复。")},
        {C::DeleteRemoved, QStringLiteral("delete-removed"), QString(),
         QStringLiteral("从已移出的记录中彻底删除（不能恢复；班级表中的学生不受影响）"),
         QStringLiteral("删除没有完成，没有删除任何记录；解决下面的问题后可以再删除。")},
        {C::Move, QStringLiteral("move"), QString(),
         QStringLiteral("把学生转到另一个班级表（所有列保留，班号按新班级重建；新班级没有表时按 Init2 新建）"),
         QStringLiteral("转班没有完成，两个班级表都没有改动；解决下面的问题后可以再转班。")},
        {C::History, QStringLiteral("history"), QString(),
         QStringLiteral("列出修改记录：每次保存、修改（每个改动的项目）、导入、合并、补齐、还原和导出、检查、备份"),
         QStringLiteral("没有读出修改记录，数据库没有任何改动。")},
        {C::UndoImport, QStringLiteral("undo-import"), QStringLiteral("<操作号>"),
         QStringLiteral("撤销一次导入（操作号见 tavro history）：导入后没有修改过的学生移出班级，修改过的保留并列出"),
         QStringLiteral("撤销导入没有完成，班级表没有任何改动；解决下面的问题后可以再撤销。")},
        {C::Find, QStringLiteral("find"), QStringLiteral("<文字>"),
         QStringLiteral("在所有班级表中查找学生：姓名、姓名的一部分、身份证号（至少 6 位）或编号"),
         QStringLiteral("没有查找完成，数据库没有任何改动。")},
        {C::Password, QStringLiteral("password"), QString(),
         QStringLiteral("设置新的教师密码（输入两次，至少 6 个字符）：编辑模式和管理窗口都要先输入它"),
         QStringLiteral("没有设置新的教师密码，原来的密码照旧有效；解决下面的问题后可以再设置。")},
        {C::Submissions, QStringLiteral("submissions"), QString(),
         QStringLiteral("列出一个班级的网上填报：编号、时间、姓名、身份证件号（部分隐去）、状态、对应的已有学生"),
         QStringLiteral("没有读出网上填报，数据库没有任何改动。")},
        {C::Accept, QStringLiteral("accept"), QString(),
         QStringLiteral("接受网上填报，写入班级表（新学生新增，身份证件号相同的已有学生补全）"),
         QStringLiteral("接受没有完成：此前已报告接受的提交已写入，其余的没有写入；解决下面的问题后可以再接受。")},
        {C::Reject, QStringLiteral("reject"), QString(),
         QStringLiteral("退回网上填报并附上说明，填报人凭回执看到"),
         QStringLiteral("退回没有完成：此前已报告退回的提交已退回，其余的没有改动；解决下面的问题后可以再退回。")},
        {C::Serve, QStringLiteral("serve"), QString(),
         QStringLiteral("在学校网络上打开一个班级的网上填报（显示地址和班级码；按 Ctrl+C 结束）"),
         QStringLiteral("网上填报没有打开，数据库没有任何改动。")},
    };
    return list;
}

const QList<OptionInfo> &options()
{
    static const QList<OptionInfo> list = {
        {QStringLiteral("--table"), QStringLiteral("表"),
         QStringLiteral("要导入、导出、移出或转出学生的一个表，网上填报的班级（removed、history：只列出这个表的记录；serve：开放网上填报的班级）"),
         {C::ExportStudents, C::Import, C::Remove, C::Removed, C::Move, C::History, C::Submissions, C::Accept, C::Reject, C::Serve},
         {C::ExportStudents, C::Import, C::Remove, C::Move, C::Submissions, C::Accept, C::Reject, C::Serve}, {}},
        {QStringLiteral("--port"), QStringLiteral("端口"),
         QStringLiteral("网上填报使用的端口（1–65535）；0 或不给出时由系统选一个空闲的端口"), {C::Serve}, {}, {}},
        {QStringLiteral("--plain"), QString(),
         QStringLiteral("不加密（HTTP 而不是 HTTPS），只供测试：同一网络中的人都能看到填写的内容"), {C::Serve}, {}, {}},
        {QStringLiteral("--ids"), QStringLiteral("编号,编号"),
         QStringLiteral("学生的编号（remove、move：班级表中的 id；bring-back、delete-removed：tavro removed 列出的编号；"
                        "accept、reject：tavro submissions 列出的编号），以逗号分隔"),
         {C::Remove, C::BringBack, C::DeleteRemoved, C::Move, C::Accept, C::Reject},
         {C::Remove, C::BringBack, C::DeleteRemoved, C::Move, C::Accept, C::Reject}, {}},
        {QStringLiteral("--reason"), QStringLiteral("转学|重复录入|休学|其他"),
         QStringLiteral("移出的原因；其他 须用 --note 写明"), {C::Remove}, {C::Remove},
         {QStringLiteral("转学"), QStringLiteral("重复录入"), QStringLiteral("休学"), QStringLiteral("其他")}},
        {QStringLiteral("--note"), QStringLiteral("文字"),
         QStringLiteral("原因为 其他 时写明的原因（remove）；退回的说明，填报人凭回执看到（reject）"),
         {C::Remove, C::Reject}, {C::Reject}, {}},
        {QStringLiteral("--to"), QStringLiteral("表"),
         QStringLiteral("转入的班级表；还没有时按 Init2 新建（只限 高一01 … 小六30 这样的班级名）"), {C::Move}, {C::Move}, {}},
        {QStringLiteral("--id"), QStringLiteral("编号"), QStringLiteral("只列出这个学生（班级表中的 id）的修改记录"),
         {C::History}, {}, {}},
        {QStringLiteral("--since"), QStringLiteral("日期"), QStringLiteral("只列出这一天（如 2024-09-01）起的修改记录"),
         {C::History}, {}, {}},
        {QStringLiteral("--from"), QStringLiteral("文件"),
         QStringLiteral("要导入的 .xlsx/.xls/.ods/.csv 文件（import），或要恢复的备份文件（restore）"),
         {C::Import, C::Restore}, {C::Import, C::Restore}, {}},
        {QStringLiteral("--into"), QStringLiteral("名称或文件"),
         QStringLiteral("合并表的名称（merge，默认 合并表）、要写入的 xlsx 文件（export、export-students）"
                        "或备份文件（backup，默认存入“备份”文件夹）"),
         {C::Merge, C::Export, C::ExportStudents, C::Backup}, {C::Export, C::ExportStudents}, {}},
        {QStringLiteral("--structure"), QStringLiteral("Init1|Init2"),
         QStringLiteral("导出的列：Init1 为国家学籍结构，Init2 为录入的 47 列；不给出时为各表自己的列"),
         {C::Export}, {}, {QStringLiteral("init1"), QStringLiteral("init2")}},
        {QStringLiteral("--sheet"), QStringLiteral("工作表"), QStringLiteral("要读的工作表，默认为第一个"),
         {C::Import}, {}, {}},
        {QStringLiteral("--encrypt"), QString(),
         QStringLiteral("把备份加密（带出学校时请务必加密）：须同时给出 --into，密码在命令开始后输入（至少 6 个字符）；"
                        "restore 遇到加密的备份时会询问密码"),
         {C::Backup}, {}, {}},
        {QStringLiteral("--dry-run"), QString(), QStringLiteral("只检查并列出结果，不写入数据库"),
         {C::Import, C::UndoImport}, {}, {}},
        {QStringLiteral("--create"), QString(),
         QStringLiteral("--table 所指的班级（如 初一03）还没有班级表时，按 Init2 新建后导入；不加时命令失败"),
         {C::Import}, {}, {}},
        {QStringLiteral("--duplicates"), QStringLiteral("skip|add"),
         QStringLiteral("与班级表或前面的行身份证件号相同的行：skip 跳过（默认），add 照样导入（只是同名的行总是导入）"),
         {C::Import}, {}, {QStringLiteral("skip"), QStringLiteral("add")}},
        {QStringLiteral("--report"), QStringLiteral("文件.xlsx"),
         QStringLiteral("把没有导入的行及其问题写入这个工作簿"), {C::Import}, {}, {}},
        {QStringLiteral("--replace"), QString(),
         QStringLiteral("替换 --into 或 --report 处已有的文件或合并表；不加时已有的保持不变，命令失败"),
         {C::Merge, C::Export, C::ExportStudents, C::Import}, {}, {}},
        {QStringLiteral("--db"), QStringLiteral("文件"),
         QStringLiteral("本地数据库文件；不给出时使用 config.ini 所指的服务器数据库"
                        "（backup 与 restore 只用于本地数据库文件，默认为当前目录下的 tavro.db）"),
         kOpensDatabase + QList<C>{C::Backup, C::Restore}, {}, {}},
        {QStringLiteral("--tables"), QStringLiteral("表,表"),
         QStringLiteral("要处理的表，以逗号分隔；默认为所有班级表（名称以 高、初、小 开头的表）"),
         {C::Check, C::Pad, C::Merge, C::Export}, {}, {}},
        {QStringLiteral("--dir"), QStringLiteral("文件夹"),
         QStringLiteral("check.txt、Template.xlsx 与 config.ini 所在的文件夹，默认为程序文件夹"),
         kOpensDatabase + QList<C>{C::InitDb}, {}, {}},
    };
    return list;
}

const CommandInfo *commandNamed(const QString &word)
{
    for (const CommandInfo &c : commands()) {
        if (c.word == word)
            return &c;
    }
    return nullptr;
}

const OptionInfo *optionNamed(const QString &name)
{
    for (const OptionInfo &o : options()) {
        if (o.name == name)
            return &o;
    }
    return nullptr;
}

const CommandInfo &info(Command command)
{
    for (const CommandInfo &c : commands()) {
        if (c.command == command)
            return c;
    }
    Q_UNREACHABLE();
}

bool isHelpWord(const QString &word)
{
    return word == QLatin1String("--help") || word == QLatin1String("-h") || word == QLatin1String("help");
}

QString optionUsage(const OptionInfo &option)
{
    return option.value.isEmpty() ? option.name : option.name + QLatin1Char(' ') + option.value;
}

QList<const OptionInfo *> optionsOf(Command command)
{
    QList<const OptionInfo *> list;
    for (const OptionInfo &o : options()) {
        if (o.takenBy.contains(command))
            list << &o;
    }
    return list;
}

bool isWindowStart(const QStringList &args)
{
    // Qt's own switches, taken out by QApplication before the window reads
    // its arguments; those listed first take a value.
    static const QStringList withValue = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                          "qwindowgeometry", "qwindowicon", "qwindowtitle", "session",
                                          "style", "stylesheet", "display", "geometry", "name", "title"};
    static const QStringList alone = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg.compare(QLatin1String(kAccessSwitch), Qt::CaseInsensitive) == 0
            || arg.compare(QLatin1String(kDocumentsSwitch), Qt::CaseInsensitive) == 0)
            continue;
        if (!arg.startsWith(QLatin1Char('-')))
            return false;
        // Qt takes -style and --style, -style=fusion and -style fusion alike.
        QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
        const bool valueAttached = name.contains(QLatin1Char('='));
        name = name.section(QLatin1Char('='), 0, 0);
        if (name.startsWith(QLatin1String("qmljsdebugger")) || alone.contains(name))
            continue;
        if (!withValue.contains(name))
            return false;
        if (!valueAttached)
            ++i;
    }
    return true;
}

} // namespace CommandCatalog
