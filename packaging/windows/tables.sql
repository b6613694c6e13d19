-- What the Windows Installer package needs and wixl (msitools 0.101) has no
-- element for: scripts/package-windows runs these statements with msibuild on
-- the package that wixl built from quorvel.wxs, with @VERSION@ and
-- @UPGRADE_CODE@ replaced by the package's. One statement a line; lines that
-- start with "--" are comments.

-- The shortcut only when asked for (STARTMENUSHORTCUT is 1 unless said otherwise).
UPDATE `Component` SET `Condition` = 'STARTMENUSHORTCUT = "1"' WHERE `Component` = 'StartMenuShortcut'

-- QUORVPATH for every account, only when the installation folder is not the
-- client's default; set at installation, deleted at removal.
UPDATE `Component` SET `Condition` = 'INSTALLFOLDER ~<> "C:\Quorvel\" AND INSTALLFOLDER ~<> "C:\Quorvel"' WHERE `Component` = 'QuorvPath'
CREATE TABLE `Environment` (`Environment` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL LOCALIZABLE, `Value` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Environment`)
INSERT INTO `Environment` (`Environment`, `Name`, `Value`, `Component_`) VALUES ('QUORVPATH', '=-*QUORVPATH', '[INSTALLFOLDER]', 'QuorvPath')
INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveEnvironmentStrings', 3300)
INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteEnvironmentStrings', 5200)

-- Who may do what in the installation folder (security descriptors in SDDL,
-- applied as Windows Installer creates the folders; the programs keep the
-- permissions of Program Files). SYSTEM and the administrators: everything.
-- The users (BU): the installation folder and Admin with the settings file in
-- it, read only (0x1200a9); in Work, list the folder and create files in it
-- (0x1200ab), and read, write and append to the files (0x12019f, inherited by
-- files only), but delete nothing: a day's file is the desk's only record. The
-- same for a file's owner (OW), who would otherwise be free to change its
-- permissions and so to delete it.
CREATE TABLE `MsiLockPermissionsEx` (`MsiLockPermissionsEx` CHAR(72) NOT NULL, `LockObject` CHAR(72) NOT NULL, `Table` CHAR(32) NOT NULL, `SDDLText` CHAR(0) NOT NULL, `Condition` CHAR(255) PRIMARY KEY `MsiLockPermissionsEx`)
INSERT INTO `MsiLockPermissionsEx` (`MsiLockPermissionsEx`, `LockObject`, `Table`, `SDDLText`) VALUES ('InstallFolderAccess', 'INSTALLFOLDER', 'CreateFolder', 'D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)')
INSERT INTO `MsiLockPermissionsEx` (`MsiLockPermissionsEx`, `LockObject`, `Table`, `SDDLText`) VALUES ('AdminFolderAccess', 'ADMINFOLDER', 'CreateFolder', 'D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)')
INSERT INTO `MsiLockPermissionsEx` (`MsiLockPermissionsEx`, `LockObject`, `Table`, `SDDLText`) VALUES ('WorkFolderAccess', 'WORKFOLDER', 'CreateFolder', 'D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ab;;;BU)(A;OIIO;0x12019f;;;BU)(A;OIIO;0x12019f;;;OW)')

-- A package of the installed version (a rebuild) replaces it too, instead of
-- being installed beside it: the upgrade also finds that version (minimum and
-- maximum included, 256 and 512; and the features carried over, 1).
INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('@UPGRADE_CODE@', '@VERSION@', '@VERSION@', 769, 'WIX_UPGRADE_DETECTED')

-- The two properties reach the installation's system part also when an
-- account that is not an administrator installs with elevated rights.
UPDATE `Property` SET `Value` = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;INSTALLFOLDER;STARTMENUSHORTCUT' WHERE `Property` = 'SecureCustomProperties'
