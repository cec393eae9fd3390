// Entry output: one member from the archive to a file on disk.
#pragma once

// Called for each file member by the walk, after ComposeOutputPath
// (archive/output_path.h), in this order.
int ConfirmOverwrite();          // 1 write, 0 skip; Cancel does not return
void ExtractMember();
void CreateOutputFile();
