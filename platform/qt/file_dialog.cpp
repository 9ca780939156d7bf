#include "platform/qt/file_dialog.h"

#include <QFileDialog>
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

// The extension a save of this window forces: that of its first filter when
// the filter is one "*.ext" pattern, none otherwise.
std::string forced_extension(const std::vector<layout::Filter>& filters) {
  if (filters.empty()) return {};
  const std::string& p = filters.front().pattern;
  if (p.size() < 3 || p.compare(0, 2, "*.") != 0) return {};
  const std::string ext = p.substr(2);
  if (ext.find_first_of("*?[]; .") != std::string::npos) return {};
  return ext;
}

class FileDialog : public QFileDialog {
 public:
  FileDialog(QWidget* parent, const QString& caption) : QFileDialog(parent, caption) {}

  std::string extension;
  int width = 0;

  // The name a save will really write for `typed`.
  QString written_name(const QString& typed) const {
    const FileNameRule rule = save_name_rule();
    const std::string path = typed.toStdString();
    if (!rule || extension.empty() || width <= 0 || path.size() > static_cast<std::size_t>(width)) {
      return typed;
    }
    std::string field = path;
    field.resize(static_cast<std::size_t>(width), ' ');
    rule(field.data(), width, extension, 0);
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
                    const QString& current, int width) {
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
  names << QStringLiteral("All files (*)");
  dialog.setNameFilters(names);
  dialog.extension = forced_extension(filters);
  dialog.width = width;
  if (!current.isEmpty()) dialog.selectFile(current);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

}  // namespace spindra::qt
