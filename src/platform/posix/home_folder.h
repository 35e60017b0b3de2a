// The default report folder on Linux: ZT914reports in the user's home directory.
#pragma once

// Sets the default report folder to $HOME/ZT914reports (the password database's home when HOME is unset).
void UseHomeReportFolderAsDefault();
