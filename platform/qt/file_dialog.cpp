#include "platform/qt/file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileIconProvider>
#include <QMimeDatabase>
#include <string>

#include "platform/window_library.h"

namespace spindra::qt {

namespace {

// Icons and type names from a file's name and kind only.  The toolkit's own
// provider guesses a type from the first bytes of a file it cannot place by
// name, and a read of some kernel files never returns.
class NameOnlyIconProvider : public QFileIconProvider {
 public:
  using QFileIconProvider::icon;
  QIcon icon(const QFileInfo& info) const override {
    return icon(info.isDir() ? QAbstractFileIconProvider::Folder : QAbstractFileIconProvider::File);
  }
  QString type(const QFileInfo& info) const override {
    if (info.isDir()) return QStringLiteral("Folder");
    const QMimeType t = mime_.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    return t.isDefault() ? QStringLiteral("File") : t.comment();
  }

 private:
  QMimeDatabase mime_;
};

// The extension a filter gives a saved name: its own when it is one
// "*.ext" pattern (`mode` 0: it replaces any other); for several "*.ext"
// patterns, a name of one of them is kept and another gets the first
// extension only when it has none (`mode` 1).  None for other patterns.
struct ForcedExtension {
  std::string ext;
  int mode = 0;
};

std::string pattern_extension(std::string_view p) {
  if (p.size() < 3 || p.substr(0, 2) != "*.") return {};
  const std::string ext(p.substr(2));
  if (ext.find_first_of("*?[]; .") != std::string::npos) return {};
  return ext;
}

ForcedExtension forced_extension(const layout::Filter& filter, const QString& name) {
  const QStringList patterns =
      QString::fromStdString(filter.pattern).split(QLatin1Char(' '), Qt::SkipEmptyParts);
  if (patterns.size() == 1) return {pattern_extension(filter.pattern), 0};
  std::string first;
  for (const QString& p : patterns) {
    const std::string ext = pattern_extension(p.toStdString());
    if (ext.empty()) return {};
    if (first.empty()) first = ext;
  }
  if (QDir::match(patterns, QFileInfo(name).fileName())) return {};
  return {first, 1};
}

QStringList patterns_of(const layout::Filter& filter) {
  return QString::fromStdString(filter.pattern).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

class FileDialog : public QFileDialog {
 public:
  FileDialog(QWidget* parent, const QString& caption) : QFileDialog(parent, caption) {}

  std::vector<layout::Filter> filters;
  int width = 0;

  // The extension a save of `name` gets: from the chosen filter, or from the
  // window's first filter when the choice is all files.
  ForcedExtension extension(const QString& name) const {
    const int chosen = static_cast<int>(nameFilters().indexOf(selectedNameFilter()));
    if (chosen >= 0 && chosen < static_cast<int>(filters.size()))
      return forced_extension(filters[static_cast<std::size_t>(chosen)], name);
    return filters.empty() ? ForcedExtension{} : forced_extension(filters.front(), name);
  }

  // The name a save will really write for `typed`.
  QString written_name(const QString& typed) const {
    const FileNameRule rule = save_name_rule();
    const std::string path = typed.toStdString();
    const ForcedExtension extension = this->extension(typed);
    if (!rule || extension.ext.empty() || width <= 0 ||
        path.size() > static_cast<std::size_t>(width)) {
      return typed;
    }
    std::string field = path;
    field.resize(static_cast<std::size_t>(width), ' ');
    rule(field.data(), width, extension.ext, extension.mode);
    field.erase(field.find_last_not_of(' ') + 1);
    return QString::fromStdString(field);
  }

  // The dialog's own question about an existing file then names the file
  // that the save will replace.  The dialog leaves a name field that has the
  // focus as typed, so the field gives up the focus while the name changes.
  void accept() override {
    if (acceptMode() == AcceptSave) {
      const QStringList files = selectedFiles();
      if (files.size() == 1 && !QFileInfo(files.first()).isDir()) {
        const QString real = written_name(files.first());
        if (real != files.first()) {
          QWidget* typing = focusWidget();
          if (typing) typing->clearFocus();
          selectFile(real);
          QFileDialog::accept();
          if (typing && isVisible()) typing->setFocus();  // answered No: back to typing
          return;
        }
      }
    }
    QFileDialog::accept();
  }
};

}  // namespace

QString choose_file(QWidget* parent, bool reading, const std::vector<layout::Filter>& filters,
                    const QString& current, int width, bool all_files) {
  NameOnlyIconProvider icons;  // outlives the dialog's file list
  FileDialog dialog(parent, reading ? QStringLiteral("Open") : QStringLiteral("Save As"));
  dialog.setObjectName("spindra_file_dialog");
  // The toolkit's own dialog, whose file types can be kept to names.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
  dialog.setIconProvider(&icons);
  dialog.setAcceptMode(reading ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(reading ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  QStringList names;
  for (const auto& f : filters) names << QString::fromStdString(f.name + " (" + f.pattern + ")");
  if (all_files) names << QStringLiteral("All files (*)");
  dialog.setNameFilters(names);
  dialog.filters = filters;
  dialog.width = width;
  if (!current.isEmpty()) {
    // The dialog starts on the first filter that takes the current name.
    const QString name = QFileInfo(current).fileName();
    for (std::size_t i = 0; i < filters.size(); ++i) {
      if (QDir::match(patterns_of(filters[i]), name)) {
        dialog.selectNameFilter(names[static_cast<int>(i)]);
        break;
      }
    }
    dialog.selectFile(current);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

}  // namespace spindra::qt
