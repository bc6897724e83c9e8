! expect: total=24 exec=16 comment=4 blank=4
module solver
  implicit none
  ! Solves a small linear system.
  character(len=*), parameter :: title = "Solver ! not a comment"
  character(len=*), parameter :: note = 'it''s "fine"'

contains

  !> Returns the sum of a vector.
  pure function total(x) result(s)
    real, intent(in) :: x(:)
    real :: s
    s = sum(x)   ! trailing comment
  end function total

  subroutine report(x)
    real, intent(in) :: x(:)
    print '(A, F8.2)', title, &
          total(x)
    !print *, "disabled"
  end subroutine report

end module solver
