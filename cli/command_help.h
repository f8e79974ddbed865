#pragma once

#include <QString>

#include "cli/command_catalog.h"

// The help of the command line, made from the command catalog so that it
// names exactly the options each command takes.
namespace CommandHelp {

// "tavro import --table 表 --from 文件 [--sheet 工作表] ..." (required options bare).
QString synopsis(const CommandCatalog::CommandInfo &command);

// The whole help: the window's start-up, every command, every option, the
// check names and the program folder.
QString full(const QString &checkNames, const QString &programFolder);

// One command's usage and its options (tavro merge --help).
QString ofCommand(const CommandCatalog::CommandInfo &command, const QString &checkNames);

} // namespace CommandHelp
