// Registering with the shell: a context-menu verb for every file that starts this program, and
// file associations. Built on the toolkit's create-key and write-value routines; every value is
// the key's default value, written as REG_SZ.
#include <initializer_list>

#include "platform/win_constants.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

bool AllExactAnsi(ICodePage& codePage, std::initializer_list<const String*> texts) {
  for (const String* text : texts)
    if (!HasExactAnsiForm(codePage, *text)) return false;
  return true;
}

}  // namespace

void CWinAPI::SetClassesRoot(Long root, const String& prefix) {
  classesRoot_ = root;
  classesPrefix_ = prefix;
}

void CWinAPI::RegistryCreateRightClickAccess(String& sName, String& sPath) {
  const String key = classesPrefix_ + L"*\\shell\\" + sName + L"\\Command";
  IRuntime& runtime = platform_.Runtime();
  String folder = runtime.AppPath();
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';  // a drive root has its own
  const String exe = folder + runtime.AppEXEName() + L".exe";
  // Both the program and the clicked file are quoted: a blank in either ("C:\Program Files")
  // would otherwise split the command line.
  sPath = L"\"" + exe + L"\" " + runtime.Command() + L" \"%1\"";
  // A command that could only be stored changed is refused before any key is made: a verb
  // without its command would stand empty in every file's context menu.
  if (!AllExactAnsi(platform_.CodePage(), {&key, &sPath})) return;

  RegCreateNewKey(key, classesRoot_);
  RegOpenWriteValue(key, L"", Variant(sPath), win::REG_SZ, Variant::Long(classesRoot_));
}

void CWinAPI::RegistryCreateAssociation(String& sFileExtension_3Chars, String& sProgramType,
                                        String& sPath) {
  String sProgramName;
  RegistryCreateAssociation(sFileExtension_3Chars, sProgramType, sPath, sProgramName);
}

void CWinAPI::RegistryCreateAssociation(String& sFileExtension_3Chars, String& sProgramType,
                                        String& sPath, String& sProgramName) {
  const Variant root = Variant::Long(classesRoot_);
  const String extensionKey = classesPrefix_ + L"." + sFileExtension_3Chars;
  const String typeKey = classesPrefix_ + sProgramType;
  const String commandKey = typeKey + L"\\shell\\open\\command";

  // The clicked file is quoted so that a name with blanks arrives as one argument.
  sPath = sPath + L" \"%1\"";
  // Nothing is made unless every name and text can be stored as it is.
  if (!AllExactAnsi(platform_.CodePage(), {&extensionKey, &typeKey, &sProgramName, &sPath})) return;

  RegCreateNewKey(extensionKey, classesRoot_);
  RegOpenWriteValue(extensionKey, L"", Variant(sProgramType), win::REG_SZ, root);
  RegCreateNewKey(commandKey, classesRoot_);
  RegOpenWriteValue(typeKey, L"", Variant(sProgramName), win::REG_SZ, root);
  RegOpenWriteValue(commandKey, L"", Variant(sPath), win::REG_SZ, root);
}

}  // namespace qc
