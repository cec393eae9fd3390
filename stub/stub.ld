/* The stub's sections, as few as the linker allows: each one that holds
   bytes costs the file up to 511 bytes of padding. Compared with the
   linker's own script for Windows programs:
   - the constants (.rdata) share the read-and-execute .text section, as
     they share the code segment in most linkers' default output; nothing
     that can be written is executable;
   - no .data: the ConfigRecord, the stub's one initialised object, lies
     among the constants (the builder patches it in the file; nothing writes
     it at run time);
   - no place for a C runtime's constructor lists, TLS or exception tables
     (the stub has none);
   - the import tables lie among the constants too: the loader makes the
     import address table writable while it fills it, as it does for every
     linker that merges the tables into read-only data. Without a section
     named .idata the linker finds the import and import-address
     directories through the symbols .idata$2, $4, $5 and $6 (RVAs), which
     the script defines.
   - the resources too: the linker fills their directory entry only from
     a section named .rsrc, so stub/finish_stub.py sets it after the link.
   The base relocations keep a section of their own (the linker makes them
   last); .bss is the only writable section. */
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .text __image_base__ + __section_alignment__ :
  {
    /* First the wrappers of the procedures Windows calls, last the entry
       point (.text$zentry sorts last by name): the section's first bytes
       are code that only runs once the main dialog exists, after the stub
       checksum, where a changed byte is caught. */
    *(.text$procedures)
    *(.text)
    *(SORT(.text$*))
    *(.text.*)
    *(.rdata)
    *(SORT(.rdata$*))
    /* The import tables. */
    ".idata$2" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$2))
    KEEP (SORT(*)(.idata$3))
    /* The import directory's closing entry. */
    LONG (0); LONG (0); LONG (0); LONG (0); LONG (0);
    ".idata$4" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$4))
    ".idata$5" = ABSOLUTE(.) - __image_base__;
    __IAT_start__ = .;
    KEEP (SORT(*)(.idata$5))
    __IAT_end__ = .;
    ".idata$6" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$6))
    KEEP (SORT(*)(.idata$7))
    /* The resources (icon and manifest). */
    . = ALIGN(4);
    __resources_start__ = .;
    KEEP (*(.rsrc))
    KEEP (*(.rsrc$*))
    __resources_end__ = .;
  }
  /* Kept for any initialised writable object; empty, it leaves no section. */
  .data BLOCK(__section_alignment__) :
  {
    *(.data)
    *(SORT(.data$*))
  }
  .bss BLOCK(__section_alignment__) :
  {
    *(.bss)
    *(COMMON)
  }
  .reloc BLOCK(__section_alignment__) :
  {
    *(.reloc)
  }
  /DISCARD/ :
  {
    *(.debug*)
    *(.zdebug*)
    *(.stab*)
    *(.drectve)
    *(.note.GNU-stack)
    *(.gnu.lto_*)
  }
}
