/* ICU's data package (30 MB), linked in place of libicudata.a's copy so that it shares no page
   cache folio with other data: the kernel maps a file's cached pages around each page touched
   (64 KB blocks, or a whole large folio, up to 2 MB once the file has been read back from the
   disk), and beside other data every touch of that data made the package's first or last pages
   resident too, 0.3 MiB of them. It is read only where the files beside the strings lack an
   item, so aligned and padded to 2 MB its resident part is what ICU reads: its table of
   contents. */
  .section .rodata.icu_data, "a", @progbits
  .balign 2097152
  .globl ICU_DATA_SYMBOL
  .type ICU_DATA_SYMBOL, @object
ICU_DATA_SYMBOL:
  .incbin ICU_DATA_FILE
  .size ICU_DATA_SYMBOL, . - ICU_DATA_SYMBOL
  .balign 2097152
  .section .note.GNU-stack, "", @progbits
