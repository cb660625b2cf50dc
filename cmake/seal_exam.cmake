# webexam_seal_exam(NAME SOURCE OUT): a target NAME, built by default, that
# writes the candidates' copy of the exam in folder SOURCE (1.txt, aa/ and
# the sealed exam file) into folder OUT, with webexam-exam built for this
# machine.
function(webexam_seal_exam name source out)
  add_custom_target(${name} ALL
    COMMAND webexam-exam seal ${source} ${out}
    DEPENDS webexam-exam
    COMMENT "Sealing the exam ${source} into ${out}")
endfunction()
