// Where a member goes: the output path composed from the destination folder
// and the decoded member name, and the folders along it.
#pragma once

// The member's path from the destination and the decoded name, into
// memberPath (see archive/member_files.h for the calls it takes). Ends the
// pass only for a path longer than Windows takes at all. The walk runs it
// for a folder member, then CreateFolders.
void ComposeMemberPath();

// ComposeMemberPath, and the composed path in messagePath; the walk calls
// it for each file member before ConfirmOverwrite.
void ComposeOutputPath();
// Every missing folder along memberPath (a folder member's own too).
void CreateFolders();
// The folders CreateFolders found or made are looked up again: at the start
// of a pass, and when a disk is changed.
void ForgetFolders();
