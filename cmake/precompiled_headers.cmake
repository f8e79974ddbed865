# Precompiled Qt headers for the program's libraries: every source includes a
# few of the same large Qt headers, and parsing them again in each file is most
# of a first build. Widget headers only for the libraries that show windows.
set(tavro_core_headers <QString> <QStringList> <QList> <QHash> <QVariant> <QFile> <QDir> <QFileInfo>
    <QDateTime> <QRegularExpression> <QSqlDatabase> <QSqlQuery> <QSqlError>)
set(tavro_widget_headers <QWidget> <QDialog> <QComboBox> <QLineEdit> <QLabel> <QMessageBox>)
foreach(target tavro_platform tavro_xlsx tavro_core tavro_cli)
  target_precompile_headers(${target} PRIVATE ${tavro_core_headers})
endforeach()
foreach(target tavro_region tavro_entry tavro_manage tavro_app)
  target_precompile_headers(${target} PRIVATE ${tavro_core_headers} ${tavro_widget_headers})
endforeach()
